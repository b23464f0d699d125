#pragma once
// Children that were asked to exit are collected later from the run loop, so closing an editor
// never waits for its helper.
#include <memory>

#include "platform/child_process.h"
#include "platform/run_loop.h"

namespace velmo {

// Collects `child` once it has exited, checking on `loop`; a child that has not exited after
// two seconds is killed. Without a loop the child is collected (killed if need be) at once.
void reapLater(std::unique_ptr<ChildProcess> child, const std::shared_ptr<RunLoop>& loop);

}  // namespace velmo
