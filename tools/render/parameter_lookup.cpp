#include "tools/render/parameter_lookup.h"

#include <cctype>
#include <cstdlib>

#include "params/param_table.h"
#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace velmo::render {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool parseIndex(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

bool parameterInfo(IEditController* controller, ParamID id, ParameterInfo& info) {
    const int32 count = controller->getParameterCount();
    for (int32 i = 0; i < count; ++i)
        if (controller->getParameterInfo(i, info) == kResultOk && info.id == id) return true;
    return false;
}

}  // namespace

std::string toUtf8(const TChar* text) {
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        const auto c = static_cast<std::uint32_t>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {  // BMP only: program and parameter names need no more
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool isZurizParameter(IEditController* controller, ParamID id) {
    if (id >= VELMO_PARAM_COUNT) return false;
    ParameterInfo info{};
    return parameterInfo(controller, id, info) && toUtf8(info.title) == VELMO_PARAMS[id].name;
}

std::optional<ParamID> findParameter(IEditController* controller, const std::string& path) {
    ParameterInfo info{};
    long number = 0;
    if (parseIndex(path, number)) {
        if (parameterInfo(controller, static_cast<ParamID>(number), info)) return info.id;
        return std::nullopt;
    }
    if (const velmo_param_desc* row = findParamByPath(path.data(), path.size());
        row != nullptr && isZurizParameter(controller, row->id))
        return row->id;
    const int32 count = controller->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        if (controller->getParameterInfo(i, info) != kResultOk) continue;
        if (sameIgnoringCase(toUtf8(info.title), path) || sameIgnoringCase(toUtf8(info.shortTitle), path))
            return info.id;
    }
    return std::nullopt;
}

std::optional<ProgramChoice> findProgram(IEditController* controller, const std::string& nameOrIndex,
                                         std::string& error) {
    FUnknownPtr<IUnitInfo> units(controller);
    ProgramListInfo list{};
    if (!units || units->getProgramListCount() < 1 || units->getProgramListInfo(0, list) != kResultOk ||
        list.programCount < 1) {
        error = "the plug-in has no programs";
        return std::nullopt;
    }
    // The parameter that changes programs: flagged as such, in the list's unit when possible.
    std::optional<ParamID> parameter;
    ParameterInfo info{};
    for (int32 i = 0; i < controller->getParameterCount(); ++i) {
        if (controller->getParameterInfo(i, info) != kResultOk) continue;
        if ((info.flags & ParameterInfo::kIsProgramChange) == 0) continue;
        if (!parameter || info.id == static_cast<ParamID>(list.id)) parameter = info.id;
    }
    if (!parameter) {
        error = "the plug-in has no program-change parameter";
        return std::nullopt;
    }

    std::string names;
    long wanted = -1;
    const bool byIndex = parseIndex(nameOrIndex, wanted);
    for (int32 i = 0; i < list.programCount; ++i) {
        String128 name{};
        units->getProgramName(list.id, i, name);
        const std::string text = toUtf8(name);
        if ((byIndex && i == wanted) || (!byIndex && sameIgnoringCase(text, nameOrIndex))) {
            ProgramChoice choice;
            choice.parameter = *parameter;
            choice.index = i;
            choice.name = text;
            choice.normalized = controller->plainParamToNormalized(*parameter, i);
            return choice;
        }
        names += "\n  " + std::to_string(i) + "  " + text;
    }
    error = "no program \"" + nameOrIndex + "\"; the programs are:" + names;
    return std::nullopt;
}

}  // namespace velmo::render
