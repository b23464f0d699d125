#pragma once
// Finding a plug-in's parameters and programs from the names a user types on the command line.
#include <optional>
#include <string>

#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace velmo::render {

// The parameter `path` names: a parameter id in decimal, a Zuriz parameter path such as
// "strike.position" (when the plug-in has that parameter), or a parameter title in any case.
std::optional<Steinberg::Vst::ParamID> findParameter(Steinberg::Vst::IEditController* controller,
                                                     const std::string& path);

// True when the plug-in's parameter `id` is the Zuriz parameter of that id (same title), so
// the demo score's parameter changes mean what they say.
bool isZurizParameter(Steinberg::Vst::IEditController* controller, Steinberg::Vst::ParamID id);

// A program of the plug-in's first program list and the value of its program-change parameter
// that selects it.
struct ProgramChoice {
    Steinberg::Vst::ParamID parameter = 0;
    Steinberg::Vst::ParamValue normalized = 0.0;
    int index = 0;
    std::string name;
};

// `nameOrIndex` is a program name (any case) or an index from 0. Nothing, with the reason in
// `error` (which lists the programs), when there is no such program.
std::optional<ProgramChoice> findProgram(Steinberg::Vst::IEditController* controller,
                                         const std::string& nameOrIndex, std::string& error);

// UTF-16 text of the SDK to UTF-8.
std::string toUtf8(const Steinberg::Vst::TChar* text);

}  // namespace velmo::render
