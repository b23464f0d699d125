#pragma once
// Writing a build-time generated file: left alone when its content would not change, so the
// build does not redo what depends on it.
#include <fstream>
#include <sstream>
#include <string>

namespace velmo::uidata {

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool writeIfChanged(const std::string& path, const std::string& content) {
    if (readText(path) == content) return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace velmo::uidata
