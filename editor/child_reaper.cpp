#include "editor/child_reaper.h"

#include <vector>

namespace velmo {

namespace {

constexpr double REAP_INTERVAL_SECONDS = 0.02;
constexpr int REAP_TICKS_BEFORE_KILL = 100;

struct Exiting {
    std::unique_ptr<ChildProcess> child;
    int ticks = 0;
};

// Host UI thread only, as every editor call.
struct Reaper {
    std::vector<Exiting> children;
    std::unique_ptr<RepeatingTimer> timer;  // declared last: goes first at unload
};

Reaper& reaper() {
    static Reaper instance;
    return instance;
}

void reapTick(void*) {
    Reaper& r = reaper();
    std::erase_if(r.children, [](Exiting& e) {
        if (e.child->reap()) return true;
        if (++e.ticks == REAP_TICKS_BEFORE_KILL) e.child->kill();
        return false;
    });
    if (r.children.empty()) r.timer.reset();
}

}  // namespace

void reapLater(std::unique_ptr<ChildProcess> child, const std::shared_ptr<RunLoop>& loop) {
    if (child == nullptr || child->reap()) return;
    Reaper& r = reaper();
    if (r.timer == nullptr) r.timer = scheduleRepeatingTimer(loop, REAP_INTERVAL_SECONDS, &reapTick, nullptr);
    if (r.timer == nullptr) return;  // the child's destructor collects it now
    r.children.push_back({std::move(child), 0});
}

}  // namespace velmo
