#pragma once

// The identifiers of the entities of a file being written: addresses
// numbered from 1 in the order first met.
//
// Open addressing with a hash that keeps neighbouring addresses in
// neighbouring slots (the address folded onto itself): entities are mostly
// written in about the order they were allocated, so consecutive lookups
// touch the same or the next cache lines. A scrambling hash (and
// std::unordered_map) missed the cache on almost every entity.

#include <cstddef>
#include <cstdint>
#include <vector>

class KvDataStoreIdMap {
public:
    // The identifier of `p`; a new one (the next) when it has none.
    uint32_t insert(const void* p, bool& isNew);
    // 0 when `p` has no identifier.
    uint32_t find(const void* p) const;
    // Starts loading the slot where `p` is looked for.
    void prefetch(const void* p) const {
#if defined(__GNUC__)
        if (!slots_.empty()) __builtin_prefetch(&slots_[home(p)]);
#else
        (void)p;
#endif
    }
    // The highest identifier given.
    uint32_t count() const { return count_; }
    // Empties the map and keeps its memory.
    void clear();
    size_t footprint() const { return slots_.capacity() * sizeof(Slot); }

private:
    struct Slot {
        const void* key;
        uint32_t id;  // 0: free
    };
    size_t home(const void* p) const {
        const uintptr_t x = reinterpret_cast<uintptr_t>(p) >> 4;  // allocations are 16-byte aligned
        return static_cast<size_t>(x ^ (x >> bits_)) & (slots_.size() - 1);
    }
    void grow();

    std::vector<Slot> slots_;
    unsigned bits_ = 0;  // slots_.size() is 1 << bits_
    uint32_t count_ = 0;
};
