#pragma once

// The identifiers of the entities of a file being written: addresses
// numbered from 1 in the order first met.
//
// Open addressing with a hash that keeps neighbouring addresses in
// neighbouring slots (the address folded onto itself): entities are mostly
// written in about the order they were allocated, so consecutive lookups
// touch the same or the next cache lines. A scrambling hash (and
// std::unordered_map) missed the cache on almost every entity. A slot is 8
// bytes, the identifier and 32 bits of the address, confirmed against the
// address kept by identifier: twice the slots a cache line of 16-byte ones.

#include <cstddef>
#include <cstdint>
#include <vector>

class KvDataStoreIdMap {
public:
    // The identifier of `p`; a new one (the next) when it has none. Inline:
    // it runs for every entity and reference written.
    uint32_t insert(const void* p, bool& isNew) {
        if ((size_t(count_) + 1) * 2 > slots_.size()) grow();
        const uint64_t x = addressBits(p);
        const uint32_t tag = static_cast<uint32_t>(x);
        const size_t mask = slots_.size() - 1;
        size_t i = home(x);
        for (; slots_[i]; i = (i + 1) & mask) {
            const uint32_t id = static_cast<uint32_t>(slots_[i]);
            if (static_cast<uint32_t>(slots_[i] >> 32) == tag && addresses_[id] == p) {
                isNew = false;
                return id;
            }
        }
        if (count_ == 0xFFFFFFFEu) tooMany();
        slots_[i] = (uint64_t(tag) << 32) | ++count_;
        addresses_.push_back(p);
        isNew = true;
        return count_;
    }
    // 0 when `p` has no identifier.
    uint32_t find(const void* p) const;
    // Starts loading the slot where `p` is looked for.
    void prefetch(const void* p) const {
#if defined(__GNUC__)
        if (!slots_.empty()) __builtin_prefetch(&slots_[home(addressBits(p))]);
#else
        (void)p;
#endif
    }
    // The highest identifier given.
    uint32_t count() const { return count_; }
    // Sizes an empty map for `n` identifiers.
    void reserve(size_t n);
    // Empties the map and keeps its memory.
    void clear();
    size_t footprint() const { return slots_.capacity() * sizeof(uint64_t) + addresses_.capacity() * sizeof(void*); }

private:
    static uint64_t addressBits(const void* p) {
        return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)) >> 4;  // allocations are 16-byte aligned
    }
    size_t home(uint64_t x) const { return static_cast<size_t>(x ^ (x >> bits_)) & (slots_.size() - 1); }
    void grow();
    [[noreturn]] static void tooMany();

    std::vector<uint64_t> slots_;  // 32 bits of the address, the identifier; 0 is free
    std::vector<const void*> addresses_ = std::vector<const void*>(1);  // by identifier, from 1
    unsigned bits_ = 0;                                                 // slots_.size() is 1 << bits_
    uint32_t count_ = 0;
};
