#include "banks/single_bank_fetch.h"

#include "banks/bank_state_json.h"

namespace velmo {

bool SingleBankFetch::start(const std::string& url, const std::string& sha256, HostedBankDone done) {
    if (job_) return false;
    auto finished = [this, done = std::move(done)](const HostedBankFetchResult& result) {
        // The job goes once its answer is out; the fetch's own error text stays here.
        const std::unique_ptr<HostedBankFetchJob> job = std::move(job_);
        done(result.ok, result.folder);
    };
    reported_ = 0;
    job_ = std::make_unique<HostedBankFetchJob>(url, sha256, HostedBankFetchOptions{}, std::move(finished));
    return true;
}

void SingleBankFetch::poll(bool listens, const std::function<void(const std::string&)>& report) {
    if (!job_ || job_->poll()) return;  // a true poll may have ended the job
    const std::uint64_t received = job_->bytesReceived();
    if (!listens || received == reported_) return;
    reported_ = received;
    report(writeBankFetchProgressJson(received, job_->bytesExpected()));
}

}  // namespace velmo
