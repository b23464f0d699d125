#pragma once
// The host side of the Linux VST3 run loop: one of our RunLoops offered to plug-ins as an
// IRunLoop, so a tool or test can hand its manual loop to a plug-in through the host context.
// Descriptor handlers go to the loop's own descriptor watch.
#include <memory>

#include "platform/run_loop.h"

namespace Steinberg::Linux {
class IRunLoop;
}

namespace velmo {

// A new IRunLoop (one reference, owned by the caller) whose timers and handlers go to `loop`.
Steinberg::Linux::IRunLoop* offerRunLoop(std::shared_ptr<RunLoop> loop);

}  // namespace velmo
