// The real-time diagnostic queue between an audio thread and a draining main thread, and
// engines set up and rendering on several threads at once. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

#include "engine/kernel_engine.h"
#include "fake_kernel.h"

namespace velmo {
namespace {

#ifdef ZURIZ_SANITIZED
constexpr uint32_t kRecords = 50000;
#else
constexpr uint32_t kRecords = 200000;
#endif

TEST(RealtimeQueueThreads, NothingLostOrDuplicatedBeyondTheCountedOverflow) {
    RealtimeDiagnosticQueue queue;
    std::vector<uint32_t> accepted;
    accepted.reserve(kRecords);
    std::atomic<bool> done{false};

    std::thread producer([&] {
        for (uint32_t i = 1; i <= kRecords; ++i) {
            if (queue.push(i, static_cast<uint8_t>(i & 3), static_cast<uint8_t>(i % 12))) accepted.push_back(i);
            if ((i & 255) == 0) std::this_thread::yield();
        }
        done.store(true, std::memory_order_release);
    });

    struct Received {
        std::vector<uint32_t> codes;
        bool fieldsMatch = true;
    } received;
    received.codes.reserve(kRecords);
    const auto take = [](void* context, uint32_t code, uint8_t severity, uint8_t phase) {
        auto& r = *static_cast<Received*>(context);
        r.codes.push_back(code);
        if (severity != (code & 3) || phase != code % 12) r.fieldsMatch = false;
    };
    uint64_t overflow = 0;
    while (!done.load(std::memory_order_acquire)) {
        const size_t before = received.codes.size();
        overflow += queue.drain(take, &received);
        if (received.codes.size() == before) std::this_thread::yield();
    }
    producer.join();
    overflow += queue.drain(take, &received);

    EXPECT_EQ(received.codes, accepted);
    EXPECT_TRUE(received.fieldsMatch);
    EXPECT_EQ(received.codes.size() + overflow, kRecords);
    EXPECT_FALSE(queue.pending());
}

TEST(RealtimeQueueThreads, EngineFailuresDrainWhileTheAudioThreadRuns) {
    test::resetFakeKernel();
    KernelEngine engine(test::fakeKernelModule());  // never set up: every block fails
    std::atomic<bool> done{false};
    std::thread audio([&] {
        float left[64], right[64];
        float* out[2] = {left, right};
        for (int i = 0; i < 20000; ++i) engine.processBlock(nullptr, 0, out, 2, 64);
        done.store(true, std::memory_order_release);
    });
    uint32_t polls = 0;
    do {  // at least one drain races the audio thread, however quickly it finishes
        if (engine.hasUndrainedRealtimeDiagnostics()) engine.drainRuntimeDiagnostics();
        ++polls;
    } while (!done.load(std::memory_order_acquire));
    audio.join();
    engine.drainRuntimeDiagnostics();
    const velmo_runtime_diagnostic_ring& ring = engine.diagnosticRing();
    EXPECT_EQ(ring.count, 32u);
    // Every failure is either a record (stored or counted as dropped) or part of an overflow.
    EXPECT_GE(ring.count + ring.dropped, 32u);
    EXPECT_FALSE(engine.hasUndrainedRealtimeDiagnostics());
    EXPECT_GT(polls, 0u);
}

TEST(EngineThreads, EnginesOnSeveralThreadsInitialiseTheKernelOnce) {
    test::resetFakeKernel();
    test::fakeKernelConfig().log = false;
    test::fakeKernelConfig().render = test::FakeRender::Sine1k;
    KernelModule module(test::fakeKernelEntryPoints());
    constexpr int kThreads = 4;
    std::barrier sync(kThreads);
    std::vector<int> silentBlocks(kThreads, -1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            KernelEngine engine(module);
            const bool ok = engine.setup(t % 2 ? 48000.0 : 44100.0, 256);
            sync.arrive_and_wait();  // the stand-in kernel's table is not written while rendering
            std::vector<float> l(256), r(256);
            float* out[2] = {l.data(), r.data()};
            int silent = 0;
            for (int b = 0; ok && b < 200; ++b) {
                engine.pushNoteOn(60, 1.0, b % 256, 0, 0);
                engine.processBlock(nullptr, 0, out, 2, 256);
                silent += engine.blockSilent() ? 1 : 0;
            }
            silentBlocks[t] = ok ? silent : -1;
            sync.arrive_and_wait();
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(test::fakeKernelLog().runtimeInits, 1u);
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(silentBlocks[t], 0) << t;
}

// Each thread renders the same score on its own engine with the product's kernel; without
// any process-wide lock every thread must get exactly the single-threaded result.
std::vector<float> renderScore(KernelEngine& engine) {
    std::vector<float> all;
    std::vector<float> l(256), r(256);
    float* out[2] = {l.data(), r.data()};
    for (int b = 0; b < 120; ++b) {
        if (b % 30 == 0) {
            for (int32_t note : {55, 62, 69}) engine.pushNoteOn(note + b / 30, 0.8, b % 256, 0, 0);
        }
        engine.pushParamNormalized(9, (b % 7) / 7.0, 128);
        engine.processBlock(nullptr, 0, out, 2, 256);
        all.insert(all.end(), l.begin(), l.end());
        all.insert(all.end(), r.begin(), r.end());
    }
    return all;
}

TEST(EngineThreads, ProductKernelInstancesRenderInParallelExactlyAsAlone) {
    std::vector<float> reference;
    {
        KernelEngine engine;
        ASSERT_TRUE(engine.setup(48000.0, 256));
        reference = renderScore(engine);
    }
    constexpr int kThreads = 4;
    std::vector<KernelEngine> engines(kThreads);
    for (KernelEngine& e : engines) ASSERT_TRUE(e.setup(48000.0, 256));
    std::vector<std::vector<float>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { results[t] = renderScore(engines[t]); });
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(results[t], reference) << "thread " << t;
}

}  // namespace
}  // namespace velmo
