// The fetch job: the result arrives on the starting thread's run loop, and a job destroyed
// mid-transfer or mid-unpack stops promptly, calls nobody and leaves nothing behind.
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

// Waits (a bounded time) until ready() holds.
template <typename Ready>
bool await(Ready ready)
{
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!ready() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return ready();
}

// Closing the plug-in: the job goes at once, calls nobody and leaves nothing behind.
void expectPromptClose(std::unique_ptr<HostedBankFetchJob>& job, ManualRunLoop& loop, const int& calls,
                       const std::string& cacheRoot)
{
    ASSERT_TRUE(job->running());
    const auto start = Clock::now();
    job.reset();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    ::testing::Test::RecordProperty("closeMs", static_cast<int>(took.count()));
    EXPECT_LT(took, std::chrono::milliseconds(500));
    loop.advance(1000.0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(loop.timerCount(), 0u);
    std::vector<std::string> left;
    listDirectory(cacheRoot, left);
    EXPECT_TRUE(left.empty());
}

TEST_F(HostedBankFetchJobTest, DestroyingAJobDuringTheTransferCancelsIt)
{
    server.serve("/stall", stalled());
    server.serve("/endless", endlessBody());
    for (const char* path : {"/stall", "/endless"}) {
        SCOPED_TRACE(path);
        auto loop = std::make_shared<ManualRunLoop>();
        int calls = 0;
        const int before = server.requests();
        auto job = std::make_unique<HostedBankFetchJob>(server.url(path), std::string(64, 'b'), options,
                                                        [&](const HostedBankFetchResult&) { ++calls; }, loop);
        ASSERT_TRUE(await([&] { return server.requests() > before; }));
        if (std::string(path) == "/endless") {
            ASSERT_TRUE(await([&] { return job->bytesReceived() > (1u << 20); }));
        }
        expectPromptClose(job, *loop, calls, options.cacheRoot);
    }
}

// Thousands of entries each naming a folder 30 levels deep: the close lands mid-unpack.
TEST_F(HostedBankFetchJobTest, DestroyingAJobDuringTheUnpackCancelsIt)
{
    std::string deep;
    for (int level = 0; level < 29; ++level) deep += "d/";
    std::vector<ZipEntry> entries{{"bank.json", "{}"}};
    for (int i = 0; i < 3000; ++i) entries.push_back({numbered("n", i, "/") + deep, "", ZipEntry::Folder});
    const std::string pin = host("/deep.zip", buildZip(entries));
    auto loop = std::make_shared<ManualRunLoop>();
    int calls = 0;
    auto job = std::make_unique<HostedBankFetchJob>(server.url("/deep.zip"), pin, options,
                                                    [&](const HostedBankFetchResult&) { ++calls; }, loop);
    // Unpacking has begun once the staging folder holds a folder of the archive.
    const auto unpacking = [&] {
        for (const auto& name : names(options.cacheRoot))
            if (pathExists(options.cacheRoot + "/" + name + "/n0")) return true;
        return false;
    };
    ASSERT_TRUE(await(unpacking));
    expectPromptClose(job, *loop, calls, options.cacheRoot);
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
