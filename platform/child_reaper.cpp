#include "platform/child_reaper.h"

#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/signal_free_thread.h"

namespace velmo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto REAP_INTERVAL = std::chrono::milliseconds(20);
constexpr auto KILL_AFTER = std::chrono::seconds(2);

struct Exiting {
    std::unique_ptr<ChildProcess> child;
    Clock::time_point killAt;
};

class Reaper {
public:
    // A static destructor, run when the module is unloaded: it touches only our own thread and
    // children, never a host object.
    ~Reaper() { finish(); }

    void add(std::unique_ptr<ChildProcess> child) {
        std::unique_lock<std::mutex> lock(mutex_);
        children_.push_back({std::move(child), Clock::now() + KILL_AFTER});
        if (running_) return;
        // A thread that ended by itself has nothing left to do: joining it does not wait.
        std::thread ended = std::move(thread_);
        running_ = true;
        thread_ = startThread();
        lock.unlock();
        if (ended.joinable()) ended.join();
    }

    void finish() {
        std::thread thread;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            thread = std::move(thread_);
        }
        wake_.notify_all();
        if (thread.joinable()) thread.join();
        std::vector<Exiting> left;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            left.swap(children_);
            stopping_ = false;
            running_ = false;
        }
        // Each destructor kills and collects its child; after SIGKILL that is brief.
        left.clear();
    }

private:
    std::thread startThread() {
        return startSignalFreeThread([this] { run(); });
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_ && !children_.empty()) {
            const Clock::time_point now = Clock::now();
            std::erase_if(children_, [now](Exiting& e) {
                if (e.child->reap()) return true;
                if (now >= e.killAt) e.child->kill();  // collected on a later round
                return false;
            });
            if (children_.empty()) break;
            wake_.wait_for(lock, REAP_INTERVAL, [this] { return stopping_; });
        }
        if (!stopping_) running_ = false;  // what finish() leaves, it collects itself
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Exiting> children_;
    std::thread thread_;
    bool running_ = false;
    bool stopping_ = false;
};

Reaper& reaper() {
    static Reaper instance;
    return instance;
}

}  // namespace

void reapInBackground(std::unique_ptr<ChildProcess> child) {
    if (child == nullptr || child->reap()) return;
    reaper().add(std::move(child));
}

void finishReaping() { reaper().finish(); }

}  // namespace velmo
