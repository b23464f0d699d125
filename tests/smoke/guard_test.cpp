#include <gtest/gtest.h>
#include "realtime_guard.h"
#include <mutex>
#include <vector>
TEST(Guard, Counts) {
  std::mutex m;
  velmo::test::RealtimeGuard g;
  { std::vector<int> v(10); }
  { std::lock_guard l(m); }
  void* p = malloc(3); free(p);
  EXPECT_EQ(g.allocations(), 2u);
  EXPECT_EQ(g.locks(), 1u);
}
