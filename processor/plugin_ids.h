#pragma once
// The two class IDs the class factory registers. They are part of every saved host project
// that uses the instrument: never change them.
#include "pluginterfaces/base/funknown.h"

namespace velmo {

// The audio processor (component) class.
inline const Steinberg::FUID kProcessorUid(0xF836E38E, 0x74DCAF41, 0x45C30CD0, 0x1D439001);

// The edit controller class; the processor names it from getControllerClassId.
inline const Steinberg::FUID kControllerUid(0x970F6989, 0x5BBC4A43, 0xD4D6261C, 0x6E90FE78);

}  // namespace velmo
