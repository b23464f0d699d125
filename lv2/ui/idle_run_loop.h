#pragma once
// The LV2 UI's run loop: the host drives a UI only through ui:idleInterface, so the helper
// link's descriptors are polled, without waiting, once per idle call. No timers: the web view
// needs none, and a host's idle rate is no clock.
#include <cstdint>
#include <vector>

#include "platform/run_loop.h"

namespace velmo::lv2 {

class IdleRunLoop final : public RunLoop {
public:
    std::uint64_t addTimer(double, RunLoopCallback, void*) override { return 0; }
    void removeTimer(std::uint64_t) override {}
    std::uint64_t addFdHandler(int fd, RunLoopCallback callback, void* context) override;
    void removeFdHandler(std::uint64_t handler) override;

    // Calls the handler of every descriptor with input (or closed); returns how many were called.
    std::size_t pump();

private:
    struct Handler {
        std::uint64_t id;
        int fd;
        RunLoopCallback callback;
        void* context;
    };
    std::vector<Handler> handlers_;
    std::uint64_t nextId_ = 0;
};

}  // namespace velmo::lv2
