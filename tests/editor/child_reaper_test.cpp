// Exiting helpers are collected on the reaper's own thread: handing one over never waits, a
// child that ignores SIGTERM is killed two seconds on, and finishReaping (the module's exit)
// leaves neither a child nor a thread behind, however many threads handed children over.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/child_process.h"
#include "platform/child_reaper.h"

namespace velmo {
namespace {

using namespace std::chrono_literals;

bool gone(int pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

std::unique_ptr<ChildProcess> shell(const char* script, int fd) {
    std::string error;
    auto child = ChildProcess::spawn("/bin/sh", {"-c", script}, fd, &error);
    EXPECT_NE(child, nullptr) << error;
    return child;
}

bool goneWithin(int pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!gone(pid) && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(10ms);
    return gone(pid);
}

TEST(ChildReaper, CollectsQuickChildrenKillsStubbornOnesAndFinishesAtExit) {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::vector<int> quick;
    std::vector<int> stubborn;
    std::vector<std::thread> hosts;
    for (int t = 0; t < 2; ++t) {
        auto quickChild = shell("exit 0", fd);
        auto stubbornChild = shell("trap '' TERM; exec sleep 30", fd);
        ASSERT_TRUE(quickChild && stubbornChild);
        quick.push_back(quickChild->pid());
        stubborn.push_back(stubbornChild->pid());
        hosts.emplace_back([q = std::move(quickChild), s = std::move(stubbornChild)]() mutable {
            const auto start = std::chrono::steady_clock::now();
            reapInBackground(std::move(q));
            reapInBackground(std::move(s));
            EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms) << "handing over never waits";
        });
    }
    for (std::thread& h : hosts) h.join();
    for (int pid : quick) EXPECT_TRUE(goneWithin(pid, 5000ms)) << "collected, not left a zombie";
    EXPECT_TRUE(goneWithin(stubborn[0], 10000ms)) << "killed two seconds after it was handed over";

    // What is still waiting at the module's exit is killed and collected there.
    auto late = shell("trap '' TERM; exec sleep 30", fd);
    ASSERT_TRUE(late);
    const int latePid = late->pid();
    reapInBackground(std::move(late));
    finishReaping();
    EXPECT_TRUE(gone(latePid));
    for (int pid : stubborn) EXPECT_TRUE(gone(pid));

    // And reaping starts again afterwards.
    auto again = shell("exit 0", fd);
    ASSERT_TRUE(again);
    const int againPid = again->pid();
    reapInBackground(std::move(again));
    EXPECT_TRUE(goneWithin(againPid, 5000ms));
    finishReaping();
    ::close(fd);
}

}  // namespace
}  // namespace velmo
