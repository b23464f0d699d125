#include "tools/lv2data/lv2_turtle.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "lv2/lv2_names.h"
#include "params/factory_presets.h"
#include "params/param_table.h"

namespace velmo::lv2data {
namespace {

using namespace velmo::lv2;

constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n"
    "@prefix zuriz: <https://velmo.music/zuriz/lv2#> .\n\n";

std::string iri(const std::string& text) { return "<" + text + ">"; }

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A Turtle decimal or double; never an integer literal, which would type a float as xsd:integer.
std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    std::string out = text;
    if (out.find_first_of(".eEn") == std::string::npos) out += ".0";
    return out;
}

std::string integer(double value) {
    char text[24];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    return text;
}

std::string presetUri(const velmo_factory_preset& preset) { return std::string(kPresetUriPrefix) + preset.id; }

// The units LV2 names; "x" (a multiple of the family's own value) has none and gets ours.
const char* unitOf(const velmo_param_desc& desc) {
    if (std::strcmp(desc.unit, "s") == 0) return "units:s";
    if (std::strcmp(desc.unit, "x") == 0) return "zuriz:times";
    return nullptr;
}

std::string controlPort(const velmo_param_desc& desc) {
    const bool whole = desc.kind != kParamKindContinuous;
    const auto value = [whole](double v) { return whole ? integer(v) : number(v); };
    const double maximum = desc.kind == kParamKindToggle ? 1.0 : desc.maxValue;
    std::string out = "    [\n        a lv2:InputPort, lv2:ControlPort ;\n";
    out += "        lv2:index " + std::to_string(desc.id) + " ;\n";
    out += "        lv2:symbol " + quoted(portSymbol(desc)) + " ;\n";
    out += "        lv2:name " + quoted(desc.name) + " ;\n";
    out += "        lv2:default " + value(desc.defaultPlain) + " ;\n";
    out += "        lv2:minimum " + value(desc.minValue) + " ;\n";
    out += "        lv2:maximum " + value(maximum);
    if (desc.kind == kParamKindList) {
        out += " ;\n        lv2:portProperty lv2:integer, lv2:enumeration";
        for (int32_t i = 0; i < desc.optionCount; ++i) {
            out += std::string(i == 0 ? " ;\n        lv2:scalePoint " : " ,\n            ");
            out += "[ rdfs:label " + quoted(desc.options[i]) + " ; rdf:value " + std::to_string(i) + " ]";
        }
    } else if (desc.kind == kParamKindToggle) {
        out += " ;\n        lv2:portProperty lv2:toggled";
    }
    if (const char* unit = unitOf(desc)) out += std::string(" ;\n        units:unit ") + unit;
    return out + "\n    ]";
}

}  // namespace

std::string manifestTtl() {
    std::string out = kPrefixes;
    out += iri(kPluginUri) + "\n    a lv2:Plugin, lv2:InstrumentPlugin ;\n";
    out += "    lv2:binary " + iri(kBinaryName) + " ;\n    rdfs:seeAlso <zuriz.ttl> .\n\n";
    out += iri(kUiUri) + "\n    a ui:X11UI ;\n    ui:binary " + iri(kUiBinaryName) + " ;\n    rdfs:seeAlso <zuriz.ttl> .\n";
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        out += '\n';
        out += iri(presetUri(preset)) + "\n    a pset:Preset ;\n    lv2:appliesTo " + iri(kPluginUri) +
               " ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return out;
}

std::string pluginTtl() {
    std::string out = kPrefixes;
    out += "zuriz:times\n    a units:Unit ;\n    rdfs:label \"times\" ;\n    units:symbol \"x\" ;\n"
           "    units:render \"%f x\" .\n\n";
    out += iri(kPluginUri) + "\n    a lv2:Plugin, lv2:InstrumentPlugin ;\n";
    out += "    doap:name \"Zuriz\" ;\n";
    out += "    doap:maintainer [ foaf:name \"Velmo Music\" ; foaf:homepage <https://velmo.music/zuriz> ] ;\n";
    out += "    lv2:requiredFeature urid:map ;\n";
    out += "    lv2:optionalFeature lv2:hardRTCapable, opts:options, bufsz:boundedBlockLength, work:schedule ;\n";
    out += "    opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n";
    out += "    lv2:extensionData state:interface, work:interface ;\n";
    out += "    ui:ui " + iri(kUiUri) + " ;\n";
    out += "    lv2:port\n";
    for (const velmo_param_desc& desc : VELMO_PARAMS) out += controlPort(desc) + " ,\n";
    // MIDI, the host's transport and the UI's messages arrive on one control input.
    out += "    [\n        a lv2:InputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
           "        atom:supports midi:MidiEvent, time:Position ;\n        lv2:designation lv2:control ;\n";
    out += "        lv2:index " + std::to_string(kPortMidiIn) + " ;\n";
    out += "        lv2:symbol \"midi_in\" ;\n        lv2:name \"MIDI In\" ;\n";
    out += "        rsz:minimumSize " + std::to_string(kMessageBufferBytes) + "\n    ] ,\n";
    const char* sides[2][2] = {{"out_left", "Left"}, {"out_right", "Right"}};
    for (uint32_t i = 0; i < 2; ++i) {
        out += "    [\n        a lv2:OutputPort, lv2:AudioPort ;\n";
        out += "        lv2:index " + std::to_string(kPortOutLeft + i) + " ;\n";
        out += std::string("        lv2:symbol \"") + sides[i][0] + "\" ;\n        lv2:name \"" + sides[i][1] +
               "\"\n    ] ,\n";
    }
    out += "    [\n        a lv2:OutputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
           "        lv2:designation lv2:control ;\n";
    out += "        lv2:index " + std::to_string(kPortNotify) + " ;\n";
    out += "        lv2:symbol \"notify\" ;\n        lv2:name \"Notify\" ;\n";
    out += "        rsz:minimumSize " + std::to_string(kMessageBufferBytes) + "\n    ] .\n";
    // The UI: the page in a helper process embedded in the host's window, driven by idle calls.
    out += '\n';
    out += iri(kUiUri) + "\n    a ui:X11UI ;\n";
    out += "    lv2:requiredFeature ui:parent, ui:idleInterface ;\n";
    out += "    lv2:optionalFeature ui:resize, ui:touch, urid:map ;\n";
    out += "    lv2:extensionData ui:idleInterface, ui:resize ;\n";
    out += "    ui:portNotification [\n        ui:plugin " + iri(kPluginUri) +
           " ;\n        lv2:symbol \"notify\" ;\n        ui:protocol atom:eventTransfer\n    ] .\n";
    return out;
}

std::string presetsTtl() {
    std::string out = kPrefixes;
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        out += iri(presetUri(preset)) + "\n    a pset:Preset ;\n    lv2:appliesTo " + iri(kPluginUri) +
               " ;\n    rdfs:label " + quoted(preset.name);
        for (const velmo_param_desc& desc : VELMO_PARAMS) {
            // A decimal even for whole values: hosts hand preset values to float ports.
            const double plain = velmo_param_to_plain(desc, preset.values[desc.id]);
            out += " ;\n    lv2:port [ lv2:symbol " + quoted(portSymbol(desc)) + " ; pset:value " + number(plain) + " ]";
        }
        out += " .\n\n";
    }
    return out;
}

}  // namespace velmo::lv2data
