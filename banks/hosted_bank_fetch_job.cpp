#include "banks/hosted_bank_fetch_job.h"

#include <utility>

namespace velmo {

namespace {
constexpr double kPollSeconds = 1.0 / 30.0;
}

HostedBankFetchJob::HostedBankFetchJob(std::string url, std::string sha256, HostedBankFetchOptions options,
                                       HostedBankFetchDone done, std::shared_ptr<RunLoop> loop)
    : done_(std::move(done))
{
    if (!loop) loop = currentRunLoop();
    if (loop) timer_ = scheduleRepeatingTimer(loop, kPollSeconds, &HostedBankFetchJob::onTimer, this);
    options.cancel = &cancel_;
    options.progress = &progress_;
    worker_ = std::thread([this, url = std::move(url), sha256 = std::move(sha256), options = std::move(options)] {
        HostedBankFetchResult result;
        result.ok = fetchHostedBank(url, sha256, options, result.folder, result.error);
        result_ = std::move(result);
        finished_.store(true, std::memory_order_release);
    });
}

HostedBankFetchJob::~HostedBankFetchJob()
{
    timer_.reset();
    cancel_.store(true, std::memory_order_relaxed);
    if (worker_.joinable()) worker_.join();
}

bool HostedBankFetchJob::poll()
{
    if (delivered_ || !finished_.load(std::memory_order_acquire)) return false;
    delivered_ = true;
    if (worker_.joinable()) worker_.join();
    timer_.reset();
    // The callback may destroy this job: nothing of it is touched afterwards.
    HostedBankFetchDone done = std::move(done_);
    const HostedBankFetchResult result = std::move(result_);
    if (done) done(result);
    return true;
}

void HostedBankFetchJob::onTimer(void* context) { static_cast<HostedBankFetchJob*>(context)->poll(); }

}  // namespace velmo
