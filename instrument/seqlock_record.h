#pragma once
// A record one thread writes and others read without a lock: kept in atomic words under a
// sequence number that is odd while a write is in progress (a sequence lock). The writer never
// waits; a reader that catches a write in progress tries again.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace velmo {

template <class Record>
class SeqlockRecord {
    static_assert(std::is_trivially_copyable_v<Record>);

public:
    // The writer (one thread).
    void publish(const Record& record) {
        std::uint64_t words[kWords] = {};
        std::memcpy(words, &record, sizeof record);
        const std::uint32_t sequence = sequence_.load(std::memory_order_relaxed);
        sequence_.store(sequence + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        for (std::size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_relaxed);
        sequence_.store(sequence + 2, std::memory_order_release);
    }

    // Any thread: the record and its version (0 = never published), or false when every attempt
    // met a write in progress.
    bool read(Record& out, std::uint32_t& version, int attempts = 16) const {
        for (int attempt = 0; attempt < attempts; ++attempt) {
            const std::uint32_t before = sequence_.load(std::memory_order_acquire);
            if ((before & 1u) != 0) continue;
            std::uint64_t words[kWords];
            for (std::size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (sequence_.load(std::memory_order_relaxed) != before) continue;
            std::memcpy(&out, words, sizeof out);
            version = before;
            return true;
        }
        return false;
    }
    std::uint32_t version() const { return sequence_.load(std::memory_order_acquire); }

private:
    static constexpr std::size_t kWords = (sizeof(Record) + 7) / 8;
    std::atomic<std::uint64_t> words_[kWords] = {};
    std::atomic<std::uint32_t> sequence_{0};
};

}  // namespace velmo
