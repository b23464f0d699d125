#include "editor/ui_files.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace velmo {

namespace {

struct FileType {
    const char* extension;
    const char* mime;
};

constexpr FileType FILE_TYPES[] = {
    {"css", "text/css"},          {"gif", "image/gif"},
    {"htm", "text/html"},         {"html", "text/html"},
    {"ico", "image/x-icon"},      {"jpeg", "image/jpeg"},
    {"jpg", "image/jpeg"},        {"js", "text/javascript"},
    {"json", "application/json"}, {"map", "application/json"},
    {"mjs", "text/javascript"},   {"png", "image/png"},
    {"svg", "image/svg+xml"},     {"ttf", "font/ttf"},
    {"txt", "text/plain"},        {"wasm", "application/wasm"},
    {"woff", "font/woff"},        {"woff2", "font/woff2"},
};

constexpr const char* DEFAULT_MIME = "application/octet-stream";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// False for a malformed escape.
bool percentDecode(std::string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out.push_back(in[i]);
            continue;
        }
        if (in.size() - i < 3) return false;
        const int hi = hexValue(in[i + 1]);
        const int lo = hexValue(in[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return true;
}

bool isInside(const std::string& root, const std::string& path) {
    return path.size() > root.size() + 1 && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
}

}  // namespace

const char* mimeTypeForPath(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return DEFAULT_MIME;
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    for (const FileType& type : FILE_TYPES)
        if (extension == type.extension) return type.mime;
    return DEFAULT_MIME;
}

std::string resolveUiFile(const std::string& uiRoot, std::string_view rawPath) {
    namespace fs = std::filesystem;
    if (uiRoot.empty()) return {};
    std::string path;
    if (!percentDecode(rawPath, path) || path.find('\0') != std::string::npos) return {};
    if (path.empty() || path == "/") path = "/index.html";
    // Every component is checked, so no spelling of ".." survives to the file system.
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0 && end - start == 2) return {};
        start = end + 1;
    }
    std::error_code ec;
    const fs::path root = fs::canonical(uiRoot, ec);
    if (ec) return {};
    const fs::path file = fs::canonical(root / fs::path(path).relative_path(), ec);
    if (ec || !fs::is_regular_file(file, ec)) return {};
    const std::string rootText = root.string();
    const std::string fileText = file.string();
    return isInside(rootText == "/" ? std::string() : rootText, fileText) ? fileText : std::string();
}

}  // namespace velmo
