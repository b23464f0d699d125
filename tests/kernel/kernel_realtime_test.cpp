// The audio path: no allocation, no lock, and the caller's floating-point state restored.
#include <gtest/gtest.h>

#include "kernel_test_support.h"
#include "realtime_guard.h"

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace velmo {
namespace {

TEST(KernelRealtime, PushAndProcessNeitherAllocateNorLock) {
    ASSERT_EQ(KERNEL(runtime_init)(), 0);
    const uint32_t h = test::createInstance();
    ASSERT_NE(h, 0u);
    float* out = nullptr;
    uint64_t length = 0;
    KERNEL(output_view)(h, &out, &length);

    velmo::test::RealtimeGuard guard;
    for (uint32_t block = 0; block < 2000; ++block) {
        // Family, position and size changes make the next note rebuild the tables.
        KERNEL(push_event)(h, 1, 0, block % 10, 0.3 + (block % 5) * 0.2);
        KERNEL(push_event)(h, 2, 10, 40 + block % 50, 0.8);
        if (block % 3 == 0) KERNEL(push_event)(h, 3, 90, 40 + (block + 20) % 50, 0);
        KERNEL(push_event)(h, 1, 100, 6, 0.5 + (block % 4) * 0.4);
        ASSERT_EQ(KERNEL(process)(h, 128), 0);
        if (block % 500 == 0) {
            ASSERT_EQ(KERNEL(reset)(h), 0);
        }
    }
    KERNEL(push_event)(h, 4, 0, 1, 0.5);
    EXPECT_EQ(KERNEL(process)(h, 128), 2);  // failure paths too
    EXPECT_EQ(guard.allocations(), 0u);
    EXPECT_EQ(guard.locks(), 0u);
}

#if defined(__x86_64__)
TEST(KernelRealtime, ProcessRestoresTheCallersFloatingPointState) {
    ASSERT_EQ(KERNEL(runtime_init)(), 0);
    const uint32_t h = test::createInstance();
    const unsigned saved = _mm_getcsr();
    const unsigned plain = saved & ~0x8040u;  // no flush-to-zero, no denormals-are-zero
    _mm_setcsr(plain);
    KERNEL(push_event)(h, 2, 0, 60, 1);
    EXPECT_EQ(KERNEL(process)(h, 128), 0);
    EXPECT_EQ(_mm_getcsr() & ~0x3Fu, plain & ~0x3Fu);  // exception flags may be raised
    _mm_setcsr(saved);
}
#endif

}  // namespace
}  // namespace velmo
