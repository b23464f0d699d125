#pragma once
// A hosted-bank fetch off the UI thread: the download and unpacking run on a worker thread and
// the result is delivered on the run loop of the thread that started the job.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "banks/hosted_bank.h"
#include "platform/run_loop.h"

namespace velmo {

struct HostedBankFetchResult {
    bool ok = false;
    std::string folder;  // the cached bank folder when ok
    std::string error;   // the fetch's message otherwise
};

using HostedBankFetchDone = std::function<void(const HostedBankFetchResult&)>;

class HostedBankFetchJob {
public:
    // Starts fetching at once. `done` is called once, from `loop` (the calling thread's current
    // loop when null), unless the job is destroyed first. options.cancel and options.progress
    // are the job's own and are ignored here.
    HostedBankFetchJob(std::string url, std::string sha256, HostedBankFetchOptions options,
                       HostedBankFetchDone done, std::shared_ptr<RunLoop> loop = nullptr);
    // Abandons a fetch still running and waits for the worker, a fraction of a second whatever
    // step it is at (transfer, any archive entry, the move); nothing is left behind. `done` is
    // never called afterwards. May be called from `done`.
    ~HostedBankFetchJob();
    HostedBankFetchJob(const HostedBankFetchJob&) = delete;
    HostedBankFetchJob& operator=(const HostedBankFetchJob&) = delete;

    // True until the result has been delivered.
    bool running() const { return !delivered_; }
    // Bytes received so far and the expected total (0 while unknown). Any thread.
    std::uint64_t bytesReceived() const { return progress_.received.load(std::memory_order_relaxed); }
    std::uint64_t bytesExpected() const { return progress_.expected.load(std::memory_order_relaxed); }

    // Delivers the result if the worker has finished; the loop's timer calls this, and an owner
    // without a loop may call it itself. True when it delivered. `this` may be gone on return
    // when `done` destroyed the job: touch nothing after a true result.
    bool poll();

private:
    static void onTimer(void* context);

    HostedBankFetchDone done_;
    DownloadProgress progress_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    bool delivered_ = false;
    HostedBankFetchResult result_;
    std::unique_ptr<RepeatingTimer> timer_;
    std::thread worker_;
};

}  // namespace velmo
