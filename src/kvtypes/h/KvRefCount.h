#pragma once

#include <atomic>
#include <cstdint>

// Atomic reference count. unref() reports when the count reaches zero;
// unrefKeep() never does. A copy starts at zero: counts are not data.
class KvRefCount {
public:
    KvRefCount() = default;
    // For a holder made by its first owner.
    explicit KvRefCount(int32_t initial) : count_(initial) {}
    KvRefCount(const KvRefCount&) : count_(0) {}
    KvRefCount& operator=(const KvRefCount&) { return *this; }

    void ref() const { count_.fetch_add(1, std::memory_order_acq_rel); }
    bool unref() const { return release() == 1; }
    // Subtracts 1 and returns the count before, for a caller that checks it.
    int32_t release() const { return count_.fetch_sub(1, std::memory_order_acq_rel); }
    void unrefKeep() const { count_.fetch_sub(1, std::memory_order_acq_rel); }
    int getRefCount() const { return count_.load(std::memory_order_acquire); }
    bool isShared() const { return getRefCount() > 1; }

private:
    mutable std::atomic<int32_t> count_{0};
};
