#pragma once
// What zuriz-render prints for --list-params and --list-presets.
#include <string>

#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace velmo::render {

// One line per parameter: id, path (Zuriz parameters), title, plain range, default, unit.
std::string listParameters(Steinberg::Vst::IEditController* controller);

// One line per program of the first program list: index and name.
std::string listPrograms(Steinberg::Vst::IEditController* controller);

// "strike.position: 0 to 1" style range text of a parameter, from its plain ends.
std::string parameterRange(Steinberg::Vst::IEditController* controller, Steinberg::Vst::ParamID id);

}  // namespace velmo::render
