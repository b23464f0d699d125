#pragma once
// Children that were asked to exit are collected on a thread of our own: closing an editor never
// waits for its helper, and nothing is left on a host's run loop that the host may destroy
// before it unloads the module.
#include <memory>

#include "platform/child_process.h"

namespace velmo {

// Takes `child`, which was asked to exit, and collects it once it has; a child still alive two
// seconds later is killed. Never waits. The thread ends by itself when nothing is left.
void reapInBackground(std::unique_ptr<ChildProcess> child);

// Kills and collects whatever is still waiting, and joins the thread. The module calls it before
// it is unloaded; reaping starts again on the next reapInBackground.
void finishReaping();

}  // namespace velmo
