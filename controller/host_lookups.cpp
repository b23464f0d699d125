// Host look-ups by index or id, checked before the SDK's containers see them: those index with
// at() and would throw into the host.
#include "controller/velmo_controller.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Indices come from the host: anything outside 0..count-1 is refused, never looked up.
bool indexWithin(int32 index, int32 count) { return index >= 0 && index < count; }

}  // namespace

tresult PLUGIN_API VelmoController::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    if (!indexWithin(paramIndex, getParameterCount())) return kResultFalse;
    return EditControllerEx1::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API VelmoController::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) {
    if (string == nullptr) return kInvalidArgument;
    return EditControllerEx1::getParamStringByValue(id, valueNormalized, string);
}

tresult PLUGIN_API VelmoController::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (!indexWithin(unitIndex, getUnitCount())) return kResultFalse;
    return EditControllerEx1::getUnitInfo(unitIndex, info);
}

tresult PLUGIN_API VelmoController::selectUnit(UnitID unitId) {
    for (int32 i = 0; i < getUnitCount(); ++i) {
        UnitInfo info{};
        if (getUnitInfo(i, info) == kResultOk && info.id == unitId) return EditControllerEx1::selectUnit(unitId);
    }
    return kResultFalse;
}

tresult PLUGIN_API VelmoController::getProgramName(ProgramListID listId, int32 programIndex, String128 name) {
    if (name == nullptr) return kInvalidArgument;
    return EditControllerEx1::getProgramName(listId, programIndex, name);
}

tresult PLUGIN_API VelmoController::getProgramInfo(ProgramListID listId, int32 programIndex, Vst::CString attributeId,
                                                   String128 attributeValue) {
    if (attributeId == nullptr || attributeValue == nullptr) return kInvalidArgument;
    return EditControllerEx1::getProgramInfo(listId, programIndex, attributeId, attributeValue);
}

tresult PLUGIN_API VelmoController::getProgramPitchName(ProgramListID listId, int32 programIndex, int16 midiPitch,
                                                        String128 name) {
    if (name == nullptr) return kInvalidArgument;
    return EditControllerEx1::getProgramPitchName(listId, programIndex, midiPitch, name);
}

}  // namespace velmo
