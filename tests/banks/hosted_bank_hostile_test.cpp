// Hosted banks against a hostile server: unpacking limits and their messages, cancelling at the
// final move, an endless body held on disk rather than in memory, credentials in the address, and
// a link where the cached folder should be.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include <gmock/gmock.h>

#include "hosted_bank_rig.h"
#include "scoped_env.h"

namespace velmo::test {
namespace {

using Clock = std::chrono::steady_clock;
using HostileServer = HostedBankRig;

const std::string kManifest = R"({"format":"velmo-sound-pack/v1","id":"t"})";

// Sanitizers keep memory of their own (ASan holds freed blocks in a quarantine of 256 MB), so
// the peak is ours only without them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kPeakIsOurs = false;
#else
constexpr bool kPeakIsOurs = true;
#endif

// Starts the process's peak resident memory afresh, so an earlier test's peak cannot hide this one's.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Peak resident memory in KiB.
long peakKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

std::string nested(int levels, const char* leaf = "")
{
    std::string name;
    for (int i = 0; i < levels; ++i) name += "d/";
    return name + leaf;
}

TEST_F(HostileServer, EachUnpackingLimitIsRefusedByNameWithoutTrace)
{
    std::vector<ZipEntry> manyFiles, manyFolders, slow;
    for (int i = 0; i < 40; ++i) manyFiles.push_back({numbered("f", i), "x"});
    for (int i = 0; i < 300; ++i) manyFolders.push_back({numbered("empty", i, "/"), "", ZipEntry::Folder});
    for (int i = 0; i < 3000; ++i) slow.push_back({numbered("s", i, "/") + nested(8), "", ZipEntry::Folder});
    const std::string longPart(220, 'n');

    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
        HostedBankFetchOptions limits;
        std::string error;
    } cases[] = {
        {"depth (the default of 32)", {{"bank.json", kManifest}, {nested(33), "", ZipEntry::Folder}}, options,
         "the downloaded archive nests folders deeper than 32 levels"},
        {"depth of a file's folders", {{nested(33, "x.wav"), "x"}}, options,
         "the downloaded archive nests folders deeper than 32 levels"},
        {"name length (the default of 1024)",
         {{longPart + "/" + longPart + "/" + longPart + "/" + longPart + "/" + longPart, "x"}}, options,
         "the downloaded archive holds an entry name longer than 1024 bytes"},
        {"entries", manyFiles, options, "the downloaded archive holds more than 32 entries"},
        {"bytes", {{"bank.json", kManifest}, {"big.wav", std::string(2 << 20, '\0')}}, options,
         "the downloaded archive unpacks to more than 1048576 bytes"},
        {"folders count as bytes", manyFolders, options, "the downloaded archive unpacks to more than 1048576 bytes"},
        {"time", slow, options, "the downloaded archive takes longer than 0.01 seconds to unpack"},
    };
    cases[3].limits.maxUnpackedEntries = 32;
    cases[4].limits.maxUnpackedBytes = 1 << 20;
    cases[5].limits.maxUnpackedBytes = 1 << 20;
    cases[6].limits.maxUnpackSeconds = 0.01;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = numbered("/limit", n++, ".zip");
        const std::string pin = host(path, buildZip(c.entries));
        std::string folder, error;
        EXPECT_FALSE(fetchHostedBank(server.url(path), pin, c.limits, folder, error));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(names(options.cacheRoot).empty());
    }
    // Just inside the limits unpacks.
    const std::string pin = host("/inside.zip", buildZip({{nested(32, "bank.json"), kManifest}}));
    std::string folder, error;
    EXPECT_TRUE(fetchHostedBank(server.url("/inside.zip"), pin, options, folder, error)) << error;
}

// Closing the plug-in as the bank is about to move into the cache: the fetch ends at once and
// nothing is cached or left in staging.
TEST_F(HostileServer, ACancelAtTheFinalMoveLeavesNothing)
{
    const std::string pin = host("/bank.zip", buildZip({{"Pack/bank.json", kManifest}}));
    std::atomic<bool> cancel{false}, atMove{false};
    options.cancel = &cancel;
    options.beforeMove = [&] {
        atMove = true;
        while (!cancel) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    std::string folder, error;
    bool ok = true;
    std::thread fetch([&] { ok = fetchHostedBank(server.url("/bank.zip"), pin, options, folder, error); });
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!atMove && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(atMove);
    const auto start = Clock::now();
    cancel = true;
    fetch.join();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    RecordProperty("closeMs", static_cast<int>(took.count()));
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "the download was cancelled");
    EXPECT_TRUE(names(options.cacheRoot).empty());
}

TEST_F(HostileServer, AnEndlessBodyStopsAtTheCapHeldOnDiskNotInMemory)
{
    server.serve("/endless", endlessBody());
    options.maxArchiveBytes = 200u << 20;
    options.transferTimeoutSeconds = 120.0;
    resetPeak();
    const long before = peakKiB();
    ASSERT_GT(before, 0);
    std::string folder, error;
    EXPECT_FALSE(fetchHostedBank(server.url("/endless"), std::string(64, 'a'), options, folder, error));
    EXPECT_EQ(error, "the download is larger than 209715200 bytes");
    const long grown = peakKiB() - before;
    RecordProperty("peakGrowthKiB", static_cast<int>(grown));
    if (kPeakIsOurs) {
        EXPECT_LT(grown, 64 << 10);
    }
    EXPECT_TRUE(names(options.cacheRoot).empty());
}

TEST_F(HostileServer, CredentialsInTheAddressAreRefusedBeforeAnyRequest)
{
    const std::string pin = host("/bank.zip", buildZip({{"bank.json", kManifest}}));
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
    for (const char* login : {"user:secret@", "user@", ":secret@", "@"}) {
        SCOPED_TRACE(login);
        std::string folder, error;
        const std::string url = std::string("https://") + login + hostPort + "/bank.zip";
        EXPECT_FALSE(fetchHostedBank(url, pin, options, folder, error));
        EXPECT_EQ(error, "hosted bank url must not carry a user name or password");
    }
    EXPECT_EQ(server.requests(), 0);

    // Nor does a redirect get to add them.
    server.serve("/login", redirectTo("https://user:secret@" + hostPort + "/bank.zip"));
    server.serve("/relative-login", redirectTo("//user:secret@" + hostPort + "/bank.zip"));
    for (const char* path : {"/login", "/relative-login"}) {
        std::string folder, error;
        EXPECT_FALSE(fetchHostedBank(server.url(path), pin, options, folder, error));
        EXPECT_EQ(error, "the server redirects to an address with a user name or password");
    }
    EXPECT_EQ(server.requests(), 2);
    EXPECT_TRUE(names(options.cacheRoot).empty());
}

TEST_F(HostileServer, ALinkAtThePinsPathIsSetAsideAndTheBankFetchedAgain)
{
    const std::string pin = host("/bank.zip", buildZip({{"bank.json", kManifest}}));
    const std::string elsewhere = scratch + "/elsewhere";
    ASSERT_TRUE(createDirectories(elsewhere));
    std::ofstream(elsewhere + "/bank.json") << "{}";
    ASSERT_TRUE(createDirectories(options.cacheRoot));
    const std::string cached = options.cacheRoot + "/" + pin;
    ASSERT_EQ(::symlink(elsewhere.c_str(), cached.c_str()), 0);

    std::string folder, error;
    ASSERT_TRUE(fetchHostedBank(server.url("/bank.zip"), pin, options, folder, error)) << error;
    EXPECT_EQ(server.requests(), 1);
    EXPECT_EQ(folder, cached);
    EXPECT_TRUE(isRealDirectory(cached));
    EXPECT_EQ(readTextFile(cached + "/bank.json"), kManifest);
    EXPECT_EQ(readTextFile(elsewhere + "/bank.json"), "{}");
    const auto kept = names(options.cacheRoot);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_THAT(kept[1], ::testing::StartsWith(pin + ".broken-"));  // the link, set aside

    // Restoring a saved reference does not reach through a link either.
    const ScopedEnv xdg("XDG_DATA_HOME", scratch + "/data");
    ASSERT_TRUE(createDirectories(scratch + "/data/Velmo/banks"));
    ASSERT_EQ(::symlink(elsewhere.c_str(), (scratch + "/data/Velmo/banks/" + pin).c_str()), 0);
    EXPECT_EQ(hostedBankFolder(pin), "");
}

}  // namespace
}  // namespace velmo::test
