// Plain exported functions through which an outside diagnostic harness drives a controller
// without the editor: deliver page messages, receive page documents, tick the cadence, and run
// a clock on the current run loop. Main thread only, like the controller itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/source/fobject.h"
#include "controller/velmo_controller.h"
#include "platform/run_loop.h"

namespace velmo {
namespace {

constexpr std::int32_t BRIDGE_ABI_VERSION = 2;

using DiagnosticSinkCallback = void (*)(void* context, const char* text, std::size_t length);
using DiagnosticClockCallback = void (*)(void* context);

// The object as our controller, or null. Anything answering IEditController is checked to be a
// VelmoController before it is used as one: a harness may hand us any plug-in's controller.
VelmoController* asVelmoController(Steinberg::FUnknown* object) {
    if (object == nullptr) return nullptr;
    Steinberg::Vst::IEditController* editController = nullptr;
    if (object->queryInterface(Steinberg::Vst::IEditController::iid,
                               reinterpret_cast<void**>(&editController)) != Steinberg::kResultOk ||
        editController == nullptr)
        return nullptr;
    editController->release();
    Steinberg::FObject* base = nullptr;
    if (editController->queryInterface(Steinberg::FObject::iid, reinterpret_cast<void**>(&base)) !=
            Steinberg::kResultOk ||
        base == nullptr)
        return nullptr;
    base->release();
    if (!base->isTypeOf(VelmoController::getFClassID(), false)) return nullptr;
    return static_cast<VelmoController*>(base);
}

}  // namespace
}  // namespace velmo

extern "C" {

SMTG_EXPORT_SYMBOL std::int32_t velmoDiagnosticBridgeAbiVersion() { return velmo::BRIDGE_ABI_VERSION; }

SMTG_EXPORT_SYMBOL std::int32_t velmoInstallDiagnosticBridgeSink(
    Steinberg::FUnknown* controller, velmo::DiagnosticSinkCallback callback, void* context) {
    velmo::VelmoController* c = velmo::asVelmoController(controller);
    if (c == nullptr) return 0;
    if (callback == nullptr) {
        c->setBridgeSink(nullptr);
        return 1;
    }
    c->setBridgeSink([callback, context](const std::string& document) {
        callback(context, document.data(), document.size());
    });
    return 1;
}

SMTG_EXPORT_SYMBOL std::int32_t velmoDeliverDiagnosticBridgeMessage(Steinberg::FUnknown* controller,
                                                                   const char* text,
                                                                   std::size_t length) {
    if (text == nullptr) return 0;
    velmo::VelmoController* c = velmo::asVelmoController(controller);
    if (c == nullptr) return 0;
    c->handleBridgeMessage(text, length);
    return 1;
}

SMTG_EXPORT_SYMBOL std::int32_t velmoTickDiagnosticCadence(Steinberg::FUnknown* controller) {
    velmo::VelmoController* c = velmo::asVelmoController(controller);
    if (c == nullptr) return 0;
    c->tickCadence();
    return 1;
}

SMTG_EXPORT_SYMBOL void* velmoStartCadenceClock(velmo::DiagnosticClockCallback callback, void* context,
                                                double intervalSeconds) {
    return velmo::scheduleRepeatingTimer(intervalSeconds, callback, context).release();
}

SMTG_EXPORT_SYMBOL void velmoStopCadenceClock(void* handle) {
    delete static_cast<velmo::RepeatingTimer*>(handle);
}

}  // extern "C"
