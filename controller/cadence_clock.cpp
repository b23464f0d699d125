// The controller's 30 Hz clock: a repeating timer on the host's run loop when the host context
// offers one, else on the thread's current loop (a tool's or test's manual loop). Without any
// loop there is no clock; ticks then come from the editor view's timer or the diagnostic entry
// point.
#include "controller/velmo_controller.h"
#include "platform/run_loop.h"
#include "platform/run_loop_host.h"

namespace velmo {

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

void VelmoController::stopCadenceClock() {
    delete static_cast<RepeatingTimer*>(cadenceClock_);
    cadenceClock_ = nullptr;
}

}  // namespace velmo
