// Instances render on different threads at once, without a lock, while others come and go.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "kernel_test_support.h"

namespace velmo {
namespace {

using test::noteOn;
using test::parameter;

std::vector<test::TimedEvent> score() {
    std::vector<test::TimedEvent> events;
    for (uint64_t i = 0; i < 40; ++i) {
        events.push_back(parameter(i * 1500, uint32_t(i % 10), 0.1 * double(i % 7)));
        events.push_back(noteOn(i * 1500, uint32_t(40 + i), 0.9));
    }
    return events;
}

TEST(KernelThreads, TwoRenderersAndALifecycleThread) {
    ASSERT_EQ(KERNEL(runtime_init)(), 0);
    const uint32_t reference = test::createInstance();
    const uint64_t frames = 64 * 1024;
    const test::StereoRender expected = test::renderEvents(reference, score(), frames);

    const uint32_t first = test::createInstance();
    const uint32_t second = test::createInstance();
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    test::StereoRender renders[2];
    std::atomic<int> rendering{2};
    std::thread a([&] {
        renders[0] = test::renderEvents(first, score(), frames);
        --rendering;
    });
    std::thread b([&] {
        renders[1] = test::renderEvents(second, score(), frames);
        --rendering;
    });
    std::thread lifecycle([&] {
        int cycles = 0;
        while (rendering.load() > 0 || cycles < 50) {
            const uint32_t h = test::createInstance();
            if (h != 0) {
                KERNEL(push_event)(h, 2, 0, 60, 1);
                KERNEL(process)(h, 128);
                KERNEL(destroy)(h);
            }
            ++cycles;
        }
    });
    a.join();
    b.join();
    lifecycle.join();
    for (const test::StereoRender& render : renders) {
        EXPECT_EQ(render.left, expected.left);
        EXPECT_EQ(render.right, expected.right);
    }
}

}  // namespace
}  // namespace velmo
