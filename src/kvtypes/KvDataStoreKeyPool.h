#pragma once

// The keys and type names of a file being written, each stored once and
// numbered in the order first met (their place in the string table).
//
// Open addressing over one array of slots that hold the hash beside the
// index: a lookup touches the text only for a probable match. A file holds
// one new key for every entity it keeps, so this table is searched for
// every entity written; std::unordered_map, with one node per key, made
// writing three times slower. A key's first slot comes from the hash of all
// but its last byte, plus that byte: keys numbered in sequence ("E10",
// "E11", ...) sit in neighbouring slots, and a run of them misses the cache
// once instead of once a key.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class KvDataStoreKeyPool {
public:
    struct Hash {
        uint32_t full;  // kept in the slot
        size_t home;    // the first slot tried, before masking
    };
    static Hash hash(const char* s, size_t n);
    // Starts loading the slots where a key of hash `h` is looked for.
    void prefetch(const Hash& h) const;
    // The index of `s[0, n)` (of hash `h`); `isNew` tells whether it was just added.
    uint32_t intern(const char* s, size_t n, const Hash& h, bool& isNew);
    uint32_t intern(const char* s, size_t n, bool& isNew) { return intern(s, n, hash(s, n), isNew); }
    bool find(const char* s, size_t n, uint32_t& idx) const;
    size_t size() const { return spans_.size(); }
    std::string_view get(uint32_t idx) const {
        return std::string_view(arena_.data() + spans_[idx].first, spans_[idx].second);
    }
    // Sizes an empty pool for `n` keys.
    void reserve(size_t n);
    // Empties the pool and keeps its memory.
    void clear();
    size_t footprint() const;

private:
    static uint64_t makeSlot(uint32_t hash, uint32_t idx) { return (uint64_t(hash) << 32) | (uint64_t(idx) + 1); }
    static uint32_t hashOf(uint64_t slot) { return static_cast<uint32_t>(slot >> 32); }
    static uint32_t indexOf(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }
    bool matches(uint32_t idx, const char* s, size_t n) const;
    void grow();

    std::string arena_;                                 // the texts, one after the other
    std::vector<std::pair<uint32_t, uint32_t>> spans_;  // by index: offset, length
    std::vector<uint64_t> slots_;                       // hash and index + 1; 0 is free
};
