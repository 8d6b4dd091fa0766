#pragma once

#include <KvBaseExport.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Open-addressing hash index from an address to its position in a dense array
// that the owner keeps. The index stores positions only (4 bytes a slot) and
// asks the owner for the address at a position, so the owner's array stays
// the one copy of the keys. Linear probing, at most half full.
//
// The hash scrambles the 4 KiB page of an address but keeps its place inside
// the page: objects that live side by side get slots side by side, so walking
// a model in memory order walks the index in order too, instead of missing
// the cache once per object.
class KV_BASE_EXPORT KvUndoAddressIndex {
public:
    static constexpr uint32_t npos = 0xffffffffu;

    bool isBuilt() const { return !slots_.empty(); }
    size_t capacity() const { return slots_.size(); }
    void clear();

    // keyAt(pos) returns the address held at `pos`, or null for a dead slot.
    template <class KeyAt>
    uint32_t find(const void* key, const KeyAt& keyAt) const {
        size_t slot = findSlot(key, keyAt);
        return slot == kNoSlot ? npos : slots_[slot] - 1;
    }
    // `key` must be absent. Grows (rebuilding from `count` positions) first
    // when the table would pass half full.
    template <class KeyAt>
    void insert(const void* key, uint32_t pos, size_t count, const KeyAt& keyAt) {
        if ((used_ + 1) * 2 > slots_.size()) rebuild(count, keyAt);
        place(key, pos);
    }
    template <class KeyAt>
    void erase(const void* key, const KeyAt& keyAt) {
        size_t slot = findSlot(key, keyAt);
        if (slot != kNoSlot) slots_[slot] = kTomb;
    }
    // Points the entry of `key` (now at `oldPos`) at `newPos`.
    template <class KeyAt>
    void move(const void* key, uint32_t newPos, const KeyAt& keyAt) {
        size_t slot = findSlot(key, keyAt);
        if (slot != kNoSlot) slots_[slot] = newPos + 1;
    }
    // Indexes positions 0..count-1 afresh, skipping dead ones.
    template <class KeyAt>
    void rebuild(size_t count, const KeyAt& keyAt) {
        size_t live = 0;
        for (size_t i = 0; i < count; ++i)
            if (keyAt(static_cast<uint32_t>(i))) ++live;
        reset(live);
        for (size_t i = 0; i < count; ++i)
            if (const void* k = keyAt(static_cast<uint32_t>(i))) place(k, static_cast<uint32_t>(i));
    }

private:
    static constexpr uint32_t kEmpty = 0;
    static constexpr uint32_t kTomb = 0xffffffffu;
    static constexpr size_t kNoSlot = static_cast<size_t>(-1);

    size_t home(const void* key) const {
        uint64_t granule = reinterpret_cast<uintptr_t>(key) >> 4;
        uint64_t page = ((granule >> 8) * 0x9E3779B97F4A7C15ull) >> 32;
        return static_cast<size_t>((page << 8) | (granule & 0xff)) & (slots_.size() - 1);
    }
    template <class KeyAt>
    size_t findSlot(const void* key, const KeyAt& keyAt) const {
        if (slots_.empty()) return kNoSlot;
        size_t mask = slots_.size() - 1;
        for (size_t i = home(key);; i = (i + 1) & mask) {
            uint32_t s = slots_[i];
            if (s == kEmpty) return kNoSlot;
            if (s != kTomb && keyAt(s - 1) == key) return i;
        }
    }
    void place(const void* key, uint32_t pos);
    void reset(size_t live);

    std::vector<uint32_t> slots_;
    size_t used_ = 0;  // filled slots and tombstones
};
