// The controller's 30 Hz clock: a repeating timer on the host's run loop when the host context
// offers one, else on the thread's current loop (a tool's or test's manual loop), else on the
// plug frame's loop while a view is attached. Until then there is no clock; ticks come from the
// editor view's timer or the diagnostic entry point.
#include "controller/velmo_controller.h"
#include "platform/run_loop.h"
#include "platform/run_loop_host.h"

namespace velmo {

using Steinberg::FUnknown;

namespace {

void cadenceTick(void* controller) { static_cast<VelmoController*>(controller)->tickCadence(); }

}  // namespace

void VelmoController::startCadenceClock() {
    if (cadenceClock_ != nullptr) return;
    std::shared_ptr<RunLoop> loop = hostRunLoopFrom(hostContext);
    if (loop != nullptr)
        noteHostRunLoop(loop);  // the host's loop is this thread's loop for outside callers too
    else
        loop = currentRunLoop();
    std::unique_ptr<RepeatingTimer> timer =
        scheduleRepeatingTimer(loop, kDefaultTimerIntervalSeconds, &cadenceTick, this);
    cadenceClock_ = timer.release();
}

bool VelmoController::startCadenceClockOn(FUnknown* hostObject) {
    if (cadenceClock_ != nullptr) return false;
    // Not noted as the thread's loop: a frame's loop lives only as long as its view, and nothing
    // else of ours may settle on it.
    const std::shared_ptr<RunLoop> loop = hostRunLoopFrom(hostObject);
    if (loop == nullptr) return false;
    cadenceClock_ = scheduleRepeatingTimer(loop, kDefaultTimerIntervalSeconds, &cadenceTick, this).release();
    cadenceOnLentLoop_ = cadenceClock_ != nullptr;
    return cadenceOnLentLoop_;
}

void VelmoController::returnCadenceClock() {
    if (!cadenceOnLentLoop_) return;
    stopCadenceClock();
    startCadenceClock();
}

void VelmoController::stopCadenceClock() {
    delete static_cast<RepeatingTimer*>(cadenceClock_);
    cadenceClock_ = nullptr;
    cadenceOnLentLoop_ = false;
}

}  // namespace velmo
