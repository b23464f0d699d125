#include "diagnostics/ui_bundle_facts.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/module_path.h"

namespace velmo {
namespace {

constexpr std::size_t READ_PIECE = 4096;

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Index just past the string token whose opening quote is at `open`; npos when unterminated.
std::size_t skipStringToken(std::string_view text, std::size_t open) {
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
            continue;
        }
        if (text[i] == '"') return i + 1;
    }
    return std::string_view::npos;
}

// The value starting after the key token ending at `pos`, when ws ':' ws '"' follow. Returns
// false when the key is not followed by a string; `value` then stays untouched.
bool valueAfterKey(std::string_view text, std::size_t pos, std::size_t& valueStart) {
    while (pos < text.size() && isJsonSpace(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] != ':') return false;
    ++pos;
    while (pos < text.size() && isJsonSpace(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] != '"') return false;
    valueStart = pos + 1;
    return true;
}

// Copies the raw value; false when it is too long or never closed.
bool copyValue(std::string_view text, std::size_t start, char* out, std::size_t capacity) {
    std::size_t n = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\\') {  // a backslash cuts the value: escapes are not decoded
            out[n] = '\0';
            return true;
        }
        if (n + 1 >= capacity) return false;
        out[n++] = c;
    }
    return false;
}

void copyFact(std::string_view text, const char* key, char* out, std::size_t capacity) {
    scanManifestTopLevelString(text, key, out, capacity);
}

}  // namespace

bool scanManifestTopLevelString(std::string_view text, std::string_view key, char* out,
                                std::size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    int depth = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            const std::size_t end = skipStringToken(text, i);
            if (end == std::string_view::npos) return false;
            const std::string_view token = text.substr(i + 1, end - i - 2);
            std::size_t valueStart = 0;
            if (depth == 1 && token == key && valueAfterKey(text, end, valueStart)) {
                if (copyValue(text, valueStart, out, capacity)) return out[0] != '\0';
                out[0] = '\0';
                return false;
            }
            i = end;
            continue;
        }
        if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == 0) return false;
            --depth;
        }
        ++i;
    }
    return false;
}

UiBundleFacts parseUiBundleManifest(std::string_view text) {
    UiBundleFacts facts;
    copyFact(text, "buildTime", facts.buildTime, sizeof facts.buildTime);
    copyFact(text, "sourceRevision", facts.sourceRevision, sizeof facts.sourceRevision);
    copyFact(text, "sha256", facts.sha256, sizeof facts.sha256);
    return facts;
}

bool readUiManifestFile(const std::string& path, std::string& text) {
    text.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char piece[READ_PIECE];
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(piece, 1, sizeof piece, file);
        if (got == 0) break;
        if (text.size() + got > kUiManifestMaxBytes) {
            ok = false;
            break;
        }
        text.append(piece, got);
    }
    if (std::ferror(file) != 0) ok = false;
    std::fclose(file);
    if (!ok) text.clear();
    return ok;
}

std::string uiManifestPathForModule(const std::string& moduleFile) {
    const std::size_t nameSlash = moduleFile.find_last_of('/');
    if (nameSlash == std::string::npos || nameSlash == 0) return {};
    const std::size_t folderSlash = moduleFile.find_last_of('/', nameSlash - 1);
    if (folderSlash == std::string::npos) return {};
    return moduleFile.substr(0, folderSlash) + "/Resources/ui/manifest.json";
}

const UiBundleFacts& uiBundleFacts() {
    static UiBundleFacts facts;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string manifest =
            uiManifestPathForModule(loadedModuleFile(reinterpret_cast<const void*>(&uiBundleFacts)));
        std::string text;
        if (!manifest.empty() && readUiManifestFile(manifest, text)) facts = parseUiBundleManifest(text);
    });
    return facts;
}

}  // namespace velmo
