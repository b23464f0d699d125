#include "tools/host/module_info.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/host/plugin_presets.h"

namespace velmo::host {

using namespace Steinberg;

namespace {

template <std::size_t N>
std::string field(const char8 (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char* flag(bool on) { return on ? "true" : "false"; }

// "Instrument|Synth" -> ["Instrument", "Synth"]; empty text -> [].
std::string subCategoryList(const std::string& text) {
    std::string out = "[";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t bar = text.find('|', start);
        if (bar == std::string::npos) bar = text.size();
        if (out.size() > 1) out += ", ";
        out += quoted(text.substr(start, bar - start));
        start = bar + 1;
    }
    return out + "]";
}

}  // namespace

std::string moduleInfoJson(const PluginModule& module, const std::string& name) {
    IPluginFactory* factory = module.factory();
    PFactoryInfo info{};
    factory->getFactoryInfo(&info);
    FUnknownPtr<IPluginFactory2> factory2(factory);

    std::vector<std::string> classes;
    std::string version;
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfo2 c{};
        if (factory2) {
            if (factory2->getClassInfo2(i, &c) != kResultOk) continue;
        } else {
            PClassInfo basic{};
            if (factory->getClassInfo(i, &basic) != kResultOk) continue;
            std::memcpy(c.cid, basic.cid, sizeof(TUID));
            c.cardinality = basic.cardinality;
            std::memcpy(c.category, basic.category, sizeof(c.category));
            std::memcpy(c.name, basic.name, sizeof(c.name));
        }
        if (version.empty()) version = field(c.version);
        std::string entry = "    {\n";
        entry += "      \"CID\": " + quoted(classIdText(c.cid)) + ",\n";
        entry += "      \"Category\": " + quoted(field(c.category)) + ",\n";
        entry += "      \"Name\": " + quoted(field(c.name)) + ",\n";
        entry += "      \"Vendor\": " + quoted(field(c.vendor)) + ",\n";
        entry += "      \"Version\": " + quoted(field(c.version)) + ",\n";
        entry += "      \"SDK Version\": " + quoted(field(c.sdkVersion)) + ",\n";
        entry += "      \"Sub Categories\": " + subCategoryList(field(c.subCategories)) + ",\n";
        entry += "      \"Class Flags\": " + std::to_string(c.classFlags) + ",\n";
        entry += "      \"Cardinality\": " + std::to_string(c.cardinality) + ",\n";
        entry += "      \"Snapshots\": []\n";
        entry += "    }";
        classes.push_back(entry);
    }

    std::string out = "{\n";
    out += "  \"Name\": " + quoted(name) + ",\n";
    out += "  \"Version\": " + quoted(version) + ",\n";
    out += "  \"Factory Info\": {\n";
    out += "    \"Vendor\": " + quoted(field(info.vendor)) + ",\n";
    out += "    \"URL\": " + quoted(field(info.url)) + ",\n";
    out += "    \"E-Mail\": " + quoted(field(info.email)) + ",\n";
    out += "    \"Flags\": {\n";
    out += std::string("      \"Unicode\": ") + flag(info.flags & PFactoryInfo::kUnicode) + ",\n";
    out += std::string("      \"Classes Discardable\": ") +
           flag(info.flags & PFactoryInfo::kClassesDiscardable) + ",\n";
    out += std::string("      \"Component Non Discardable\": ") +
           flag(info.flags & PFactoryInfo::kComponentNonDiscardable) + "\n";
    out += "    }\n";
    out += "  },\n";
    out += "  \"Compatibility\": [],\n";
    out += "  \"Classes\": [\n";
    for (std::size_t i = 0; i < classes.size(); ++i)
        out += classes[i] + (i + 1 < classes.size() ? ",\n" : "\n");
    out += "  ]\n}\n";
    return out;
}

}  // namespace velmo::host
