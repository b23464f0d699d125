#pragma once
// One hosted-bank download at a time for a bank panel's host: started for the bank control,
// polled on the host's tick (its progress reported as the page's document when it moved), and
// abandoned with its owner, never answering after that.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "banks/bank_control.h"
#include "banks/hosted_bank_fetch_job.h"

namespace velmo {

class SingleBankFetch {
public:
    // A HostedBankFetcher's work: false while another download runs.
    bool start(const std::string& url, const std::string& sha256, HostedBankDone done);
    // The tick: delivers a finished download, or hands `report` the progress document when the
    // bytes received moved since the last report and a page `listens`.
    void poll(bool listens, const std::function<void(const std::string&)>& report);
    void abandon() { job_.reset(); }

private:
    std::unique_ptr<HostedBankFetchJob> job_;
    std::uint64_t reported_ = 0;  // bytes last reported to the page
};

}  // namespace velmo
