#include "tools/uidata/ui_manifest.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "docs/json_tree.h"
#include "docs/json_write.h"
#include "platform/sha256.h"

namespace velmo::uidata {

namespace fs = std::filesystem;

std::string uiFilesDigest(const std::string& uiDir, std::string& error) {
    std::error_code ec;
    std::vector<std::string> paths;
    for (fs::recursive_directory_iterator it(uiDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string relative = fs::relative(it->path(), uiDir, ec).generic_string();
        if (relative != "manifest.json") paths.push_back(std::move(relative));
    }
    if (ec) {
        error = "cannot list " + uiDir + ": " + ec.message();
        return "";
    }
    std::sort(paths.begin(), paths.end());

    Sha256 hash;
    std::vector<char> chunk(1 << 16);
    for (const std::string& relative : paths) {
        const fs::path file = fs::path(uiDir) / relative;
        const std::uintmax_t size = fs::file_size(file, ec);
        std::ifstream in(file, std::ios::binary);
        if (ec || !in) {
            error = "cannot read " + file.string();
            return "";
        }
        std::array<unsigned char, 8> sizeBytes{};
        for (int i = 0; i < 8; ++i) sizeBytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(size >> (8 * i));
        hash.update(relative.c_str(), relative.size() + 1);  // with its NUL
        hash.update(sizeBytes.data(), sizeBytes.size());
        std::uintmax_t read = 0;
        while (in) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            const auto got = static_cast<std::size_t>(in.gcount());
            hash.update(chunk.data(), got);
            read += got;
        }
        if (read != size) {
            error = file.string() + " changed while it was read";
            return "";
        }
    }
    return hexDigest(hash.finish());
}

std::string manifestJson(const std::string& buildTime, const std::string& revision, const std::string& sha256) {
    std::string out = "{\"buildTime\":";
    jsonAppendQuoted(out, buildTime);
    out += ",\"sourceRevision\":";
    jsonAppendQuoted(out, revision);
    out += ",\"sha256\":";
    jsonAppendQuoted(out, sha256);
    out += "}\n";
    return out;
}

bool manifestIsCurrent(const std::string& existing, const std::string& buildTime, const std::string& revision,
                       const std::string& sha256, bool timeMatters) {
    JsonValue manifest;
    if (!parseJsonDocument(existing.data(), existing.size(), manifest)) return false;
    return manifest.str("sourceRevision", "\x01") == revision && manifest.str("sha256", "\x01") == sha256 &&
           manifest.find("buildTime") != nullptr && (!timeMatters || manifest.str("buildTime", "") == buildTime);
}

}  // namespace velmo::uidata
