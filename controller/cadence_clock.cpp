// The controller's 30 Hz clock: a repeating timer on the host's run loop when the host context
// offers one, else on the thread's current loop (a tool's or test's manual loop), else on the
// plug frame's loop once a view attaches. Until then there is no clock; ticks come from the
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

void VelmoController::startCadenceClockOn(FUnknown* hostObject) {
    if (cadenceClock_ != nullptr) return;
    const std::shared_ptr<RunLoop> loop = hostRunLoopFrom(hostObject);
    if (loop == nullptr) return;
    noteHostRunLoop(loop);
    cadenceClock_ = scheduleRepeatingTimer(loop, kDefaultTimerIntervalSeconds, &cadenceTick, this).release();
}

void VelmoController::stopCadenceClock() {
    delete static_cast<RepeatingTimer*>(cadenceClock_);
    cadenceClock_ = nullptr;
}

}  // namespace velmo
