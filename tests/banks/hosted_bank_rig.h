#pragma once
// A server, a scratch folder and fetch options that trust the server's CA: what every
// hosted-bank test starts from.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "banks/hosted_bank.h"
#include "https_test_server.h"
#include "platform/file_tree.h"
#include "platform/sha256.h"
#include "scratch_dir.h"
#include "zip_builder.h"

namespace velmo::test {

class HostedBankRig : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.started());
        options.cacheRoot = scratch + "/cache";
        options.caFile = server.caFile();
        options.requestTimeoutSeconds = 5.0;
        options.transferTimeoutSeconds = 20.0;
    }

    // Serves the archive at path and returns its pin.
    std::string host(const std::string& path, const std::string& zip)
    {
        server.serve(path, answer(200, zip));
        return sha256HexDigest(zip.data(), zip.size());
    }

    // prefix, n, suffix (appended: GCC 12 misreads "literal" + std::string as an overlap)
    static std::string numbered(std::string prefix, int n, const char* suffix = "")
    {
        prefix += std::to_string(n);
        prefix += suffix;
        return prefix;
    }

    static std::vector<std::string> names(const std::string& folder)
    {
        std::vector<std::string> found;
        listDirectory(folder, found);
        std::sort(found.begin(), found.end());
        return found;
    }

    HttpsTestServer server;
    ScratchDir scratchDir;
    const std::string scratch = scratchDir.path();
    HostedBankFetchOptions options;
};

}  // namespace velmo::test
