#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "realtime_guard.h"

TEST(RealtimeGuard, CountsAllocationsAndLocksOfThisThreadOnly) {
    std::mutex m;
    velmo::test::RealtimeGuard guard;
    { std::vector<int> v(10); }
    { std::lock_guard lock(m); }
    void* p = std::malloc(3);
    std::free(p);
    const std::uint64_t cAllocs = velmo::test::countsCAllocations() ? 1 : 0;
    EXPECT_EQ(guard.allocations(), 1u + cAllocs);
#if !defined(ZURIZ_TSAN)
    EXPECT_EQ(guard.locks(), 1u);
#endif
}
