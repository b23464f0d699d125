#pragma once
// The LV2 bundle's Turtle files, written from the parameter table and the factory presets.
#include <string>

namespace velmo::lv2data {

std::string manifestTtl();  // manifest.ttl: the plug-in, its binary, the presets
std::string pluginTtl();    // zuriz.ttl: features, extensions, ports
std::string presetsTtl();   // presets.ttl: the factory presets as port values

}  // namespace velmo::lv2data
