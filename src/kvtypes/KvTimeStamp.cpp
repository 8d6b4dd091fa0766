#include <KvTimeStamp.h>

#include <atomic>

namespace {
std::atomic<uint64_t> g_clock{1};
}

KvTimeStamp::KvTimeStamp() : value_(g_clock.fetch_add(1, std::memory_order_relaxed)) {}

KvTimeStamp KvTimeStamp::fromValue(uint64_t value) {
    // Keep the clock ahead of every stamp that exists in the process.
    uint64_t cur = g_clock.load(std::memory_order_relaxed);
    while (cur <= value && !g_clock.compare_exchange_weak(cur, value + 1, std::memory_order_relaxed)) {
    }
    return KvTimeStamp(Raw{}, value);
}
