#include "tools/render/plugin_listing.h"

#include <cstdio>

#include "params/param_table.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "tools/render/parameter_lookup.h"

namespace velmo::render {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string valueText(IEditController* controller, ParamID id, ParamValue normalized) {
    String128 text{};
    if (controller->getParamStringByValue(id, normalized, text) != kResultOk) return number(normalized);
    return toUtf8(text);
}

}  // namespace

std::string parameterRange(IEditController* controller, ParamID id) {
    const double low = controller->normalizedParamToPlain(id, 0.0);
    const double high = controller->normalizedParamToPlain(id, 1.0);
    std::string range = number(low) + " to " + number(high);
    const std::string lowText = valueText(controller, id, 0.0);
    const std::string highText = valueText(controller, id, 1.0);
    // A list names its ends: "0 to 4 (Carillon to Singing Bowl)".
    if (lowText != number(low) || highText != number(high)) range += " (" + lowText + " to " + highText + ")";
    return range;
}

std::string listParameters(IEditController* controller) {
    std::string out;
    ParameterInfo info{};
    for (int32 i = 0; i < controller->getParameterCount(); ++i) {
        if (controller->getParameterInfo(i, info) != kResultOk) continue;
        const std::string path = isZurizParameter(controller, info.id) ? VELMO_PARAMS[info.id].path : "-";
        const std::string units = toUtf8(info.units);
        char line[512];
        std::snprintf(line, sizeof line, "%10u  %-16s %-18s %s%s, default %s%s\n", info.id, path.c_str(),
                      toUtf8(info.title).c_str(), parameterRange(controller, info.id).c_str(),
                      units.empty() ? "" : (" " + units).c_str(),
                      valueText(controller, info.id, info.defaultNormalizedValue).c_str(),
                      (info.flags & ParameterInfo::kIsProgramChange) ? " (program change)" : "");
        out += line;
    }
    return out;
}

std::string listPrograms(IEditController* controller) {
    FUnknownPtr<IUnitInfo> units(controller);
    ProgramListInfo list{};
    if (!units || units->getProgramListCount() < 1 || units->getProgramListInfo(0, list) != kResultOk)
        return "";
    std::string out;
    for (int32 i = 0; i < list.programCount; ++i) {
        String128 name{};
        units->getProgramName(list.id, i, name);
        out += std::to_string(i) + "  " + toUtf8(name) + "\n";
    }
    return out;
}

}  // namespace velmo::render
