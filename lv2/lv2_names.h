#pragma once
// What the LV2 bundle calls things: the plug-in and preset URIs, the state key, the port
// layout and the port symbols. Read by the plug-in, the Turtle writer and our LV2 host alike.
#include <cstdint>
#include <string>

#include "params/param_table.h"

namespace velmo::lv2 {

inline constexpr const char* kPluginUri = "https://velmo.music/zuriz/lv2";
// The component state document (the one the VST3 processor writes), as an atom:String.
inline constexpr const char* kStateDocumentUri = "https://velmo.music/zuriz/lv2#stateDocument";
inline constexpr const char* kPresetUriPrefix = "https://velmo.music/zuriz/lv2/preset/";
inline constexpr const char* kBundleName = "Zuriz.lv2";
inline constexpr const char* kBinaryName = "zuriz_lv2.so";
// The X11 UI: its module, and the page folder (the VST3 bundle's Resources/ui) beside it.
inline constexpr const char* kUiUri = "https://velmo.music/zuriz/lv2#ui";
inline constexpr const char* kUiBinaryName = "zuriz_lv2_ui.so";
inline constexpr const char* kUiFolder = "ui";

// Ports: the parameters first (port index = parameter id), then the control input (MIDI, the
// host's transport and the UI's messages), the stereo output and the notify output (the
// plug-in's messages to the UI).
inline constexpr uint32_t kPortMidiIn = VELMO_PARAM_COUNT;
inline constexpr uint32_t kPortOutLeft = VELMO_PARAM_COUNT + 1;
inline constexpr uint32_t kPortOutRight = VELMO_PARAM_COUNT + 2;
inline constexpr uint32_t kPortNotify = VELMO_PARAM_COUNT + 3;
inline constexpr uint32_t kPortCount = VELMO_PARAM_COUNT + 4;
// The smallest buffer of each atom port: a CC map, the largest message, fits with room for a
// block's MIDI or the other answers.
inline constexpr uint32_t kMessageBufferBytes = 8192;

// A parameter's port symbol: its path with the dots LV2 symbols may not hold as underscores
// ("strike.position" -> "strike_position").
std::string portSymbol(const velmo_param_desc& desc);

}  // namespace velmo::lv2
