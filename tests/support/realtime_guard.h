#pragma once
// Counts heap allocations and mutex locks made by the current thread while a guard is
// armed. Used to prove that audio-thread code neither allocates nor locks.
//
//   velmo::test::RealtimeGuard guard;      // arms counting on this thread
//   engine.processBlock(...);
//   EXPECT_EQ(guard.allocations(), 0u);
//   EXPECT_EQ(guard.locks(), 0u);
//
// Allocations are counted through the replaced global operator new and malloc/calloc/
// realloc; locks through pthread_mutex_lock/trylock and pthread_rwlock_*. Under sanitizers
// the C allocation functions belong to the sanitizer runtime, so only operator new is
// counted there (counted() says which).
#include <cstddef>
#include <cstdint>

namespace velmo::test {

class RealtimeGuard {
public:
    RealtimeGuard();
    ~RealtimeGuard();
    RealtimeGuard(const RealtimeGuard&) = delete;
    RealtimeGuard& operator=(const RealtimeGuard&) = delete;

    std::uint64_t allocations() const;
    std::uint64_t locks() const;
    void reset();

private:
    std::uint64_t allocationsAtStart_;
    std::uint64_t locksAtStart_;
    bool wasArmed_;
};

// True when malloc-family calls are counted too (not under sanitizers).
bool countsCAllocations();

}  // namespace velmo::test
