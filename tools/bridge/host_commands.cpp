#include "tools/bridge/host_commands.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "docs/json_tree.h"
#include "params/param_table.h"

namespace velmo::bridge {

namespace {

constexpr std::string_view kPrefix = "bridge.";

const JsonValue* numberMember(const JsonValue& message, std::string_view key) {
    const JsonValue* v = message.find(key);
    return v != nullptr && v->kind == JsonValue::Number && std::isfinite(v->number) ? v : nullptr;
}

bool refuse(const std::string& type, const char* why) {
    std::fprintf(stderr, "zuriz-bridge: %s ignored: %s\n", type.c_str(), why);
    return true;
}

}  // namespace

bool HostCommands::handle(std::string_view line) {
    // Page messages are far more common: parse only what can be ours.
    if (line.find("\"bridge.") == std::string_view::npos) return false;
    JsonValue message;
    if (!parseJsonDocument(line.data(), line.size(), message) || message.kind != JsonValue::Object) return false;
    const std::string type = message.str("type", "");
    if (type.compare(0, kPrefix.size(), kPrefix) != 0) return false;

    if (type == "bridge.hostSetParam") {
        const std::string path = message.str("path", "");
        const velmo_param_desc* desc = findParamByPath(path.data(), path.size());
        if (desc == nullptr) return refuse(type, "no such parameter path");
        double normalized = 0.0;
        if (const JsonValue* n = numberMember(message, "normalized"))
            normalized = n->number;
        else if (const JsonValue* plain = numberMember(message, "value"))
            normalized = velmo_param_normalize(*desc, plain->number);
        else
            return refuse(type, "needs a number \"normalized\" or \"value\"");
        normalized = std::fmin(1.0, std::fmax(0.0, normalized));
        // As a host plays automation: the controller hears the value, the processor gets it
        // in the next block.
        controller_->setParamNormalized(desc->id, normalized);
        if (!queue_.push({HostEvent::Kind::Param, desc->id, normalized})) return refuse(type, "audio thread behind");
        return true;
    }
    if (type == "bridge.hostProgram") {
        // As a host's program menu does: through the parameter flagged as the program change.
        Steinberg::Vst::ParameterInfo info{};
        bool found = false;
        for (Steinberg::int32 i = 0; i < controller_->getParameterCount() && !found; ++i)
            found = controller_->getParameterInfo(i, info) == Steinberg::kResultOk &&
                    (info.flags & Steinberg::Vst::ParameterInfo::kIsProgramChange) != 0;
        if (!found) return refuse(type, "no program-change parameter");
        const JsonValue* index = numberMember(message, "index");
        if (index == nullptr || index->number < 0 || index->number > info.stepCount ||
            index->number != std::floor(index->number))
            return refuse(type, "needs an \"index\" within the program list");
        controller_->setParamNormalized(info.id, info.stepCount > 0 ? index->number / info.stepCount : 0.0);
        return true;
    }
    if (type == "bridge.noteOn" || type == "bridge.noteOff") {
        const JsonValue* note = numberMember(message, "note");
        if (note == nullptr || note->number < 0 || note->number > 127 || note->number != std::floor(note->number))
            return refuse(type, "needs a \"note\" 0-127");
        double velocity = 0.8;
        if (const JsonValue* v = numberMember(message, "velocity")) velocity = std::fmin(1.0, std::fmax(0.0, v->number));
        const HostEvent::Kind kind = type == "bridge.noteOn" ? HostEvent::Kind::NoteOn : HostEvent::Kind::NoteOff;
        if (!queue_.push({kind, static_cast<std::uint32_t>(note->number), velocity}))
            return refuse(type, "audio thread behind");
        return true;
    }
    return refuse(type, "unknown host command");
}

}  // namespace velmo::bridge
