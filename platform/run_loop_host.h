#pragma once
// The host's own run loop (the Linux VST3 IRunLoop a host offers on its context or plug frame)
// seen as a RunLoop: each timer is a handler registered with the host, which fires it on its
// UI thread.
#include <memory>

#include "platform/run_loop.h"

namespace Steinberg {
class FUnknown;
}

namespace velmo {

// The run loop `hostObject` offers, or null when it offers none (or is null).
std::shared_ptr<RunLoop> hostRunLoopFrom(Steinberg::FUnknown* hostObject);

}  // namespace velmo
