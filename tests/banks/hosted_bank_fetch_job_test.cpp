// The fetch job: the result arrives on the starting thread's run loop, and a job destroyed
// mid-transfer stops promptly, calls nobody and leaves nothing behind.
#include <chrono>
#include <memory>
#include <thread>

#include "banks/hosted_bank_fetch_job.h"
#include "hosted_bank_rig.h"
#include "platform/run_loop_manual.h"

namespace velmo::test {
namespace {

using Clock = std::chrono::steady_clock;
using HostedBankFetchJobTest = HostedBankRig;

TEST_F(HostedBankFetchJobTest, DeliversOnTheRunLoopAndMayBeDroppedFromItsCallback)
{
    const std::string zip = buildZip({{"bank.json", "{}"}, {"a.wav", std::string(200000, 'a')}});
    const std::string pin = host("/bank.zip", zip);
    auto loop = std::make_shared<ManualRunLoop>();
    ScopedCurrentRunLoop scope(loop);

    int calls = 0;
    HostedBankFetchResult delivered;
    std::thread::id deliveredOn;
    std::unique_ptr<HostedBankFetchJob> job;
    HostedBankFetchJob* seen = nullptr;
    job = std::make_unique<HostedBankFetchJob>(server.url("/bank.zip"), pin, options,
                                               [&](const HostedBankFetchResult& result) {
                                                   ++calls;
                                                   delivered = result;
                                                   deliveredOn = std::this_thread::get_id();
                                                   EXPECT_EQ(seen->bytesReceived(), zip.size());
                                                   EXPECT_FALSE(seen->running());
                                                   job.reset();  // the owner lets go of it here
                                               });
    seen = job.get();
    EXPECT_TRUE(job->running());
    EXPECT_EQ(calls, 0);  // never from inside the constructor or the worker
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (job && Clock::now() < deadline) {
        loop->advance(40.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(calls, 1);
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
    EXPECT_TRUE(delivered.ok) << delivered.error;
    EXPECT_EQ(delivered.folder, options.cacheRoot + "/" + pin);
    EXPECT_EQ(loop->timerCount(), 0u);
}

TEST_F(HostedBankFetchJobTest, DestroyingARunningJobCancelsIt)
{
    server.serve("/stall", stalled());
    auto loop = std::make_shared<ManualRunLoop>();
    int calls = 0;
    auto job = std::make_unique<HostedBankFetchJob>(server.url("/stall"), std::string(64, 'b'), options,
                                                    [&](const HostedBankFetchResult&) { ++calls; }, loop);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (server.requests() == 0 && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(server.requests(), 1);
    EXPECT_TRUE(job->running());

    const auto start = Clock::now();
    job.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));  // well before the 5 s silence limit
    loop->advance(1000.0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(loop->timerCount(), 0u);
    EXPECT_TRUE(names(options.cacheRoot).empty());
}

TEST_F(HostedBankFetchJobTest, WithoutALoopTheOwnerPolls)
{
    HostedBankFetchResult delivered;
    HostedBankFetchJob job("http://127.0.0.1/bank.zip", std::string(64, 'c'), options,
                           [&](const HostedBankFetchResult& result) { delivered = result; }, nullptr);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!job.poll() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(job.running());
    EXPECT_FALSE(delivered.ok);
    EXPECT_EQ(delivered.error, "hosted banks must be served over https");
    EXPECT_FALSE(job.poll());  // once only
}

}  // namespace
}  // namespace velmo::test
