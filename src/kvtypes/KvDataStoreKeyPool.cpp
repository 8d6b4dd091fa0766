#include "KvDataStoreKeyPool.h"

#include <cstring>
#include <stdexcept>

KvDataStoreKeyPool::Hash KvDataStoreKeyPool::hash(const char* s, size_t n) {
    uint32_t h = 2166136261u;  // FNV-1a: keys are short
    const size_t head = n ? n - 1 : 0;
    for (size_t i = 0; i < head; ++i)
        h = (h ^ static_cast<uint8_t>(s[i])) * 16777619u;
    const uint8_t last = n ? static_cast<uint8_t>(s[n - 1]) : 0;
    const size_t spread = static_cast<size_t>((uint64_t(h) * 0x9E3779B97F4A7C15ULL) >> 32);
    return Hash{(h ^ last) * 16777619u, spread + last};
}

bool KvDataStoreKeyPool::matches(uint32_t idx, const char* s, size_t n) const {
    return spans_[idx].second == n && std::memcmp(arena_.data() + spans_[idx].first, s, n) == 0;
}

void KvDataStoreKeyPool::prefetch(const Hash& h) const {
#if defined(__GNUC__)
    if (!slots_.empty()) __builtin_prefetch(&slots_[h.home & (slots_.size() - 1)]);
#else
    (void)h;
#endif
}

uint32_t KvDataStoreKeyPool::intern(const char* s, size_t n, const Hash& hs, bool& isNew) {
    if ((spans_.size() + 1) * 2 > slots_.size()) grow();
    const uint32_t h = hs.full;
    const size_t mask = slots_.size() - 1;
    size_t i = hs.home & mask;
    for (; slots_[i]; i = (i + 1) & mask) {
        if (hashOf(slots_[i]) == h && matches(indexOf(slots_[i]), s, n)) {
            isNew = false;
            return indexOf(slots_[i]);
        }
    }
    if (arena_.size() + n > 0xFFFFFFFFu || spans_.size() >= 0xFFFFFFFEu)
        throw std::length_error("KvDataStore: too many keys");
    const uint32_t idx = static_cast<uint32_t>(spans_.size());
    spans_.emplace_back(static_cast<uint32_t>(arena_.size()), static_cast<uint32_t>(n));
    arena_.append(s, n);
    slots_[i] = makeSlot(h, idx);
    isNew = true;
    return idx;
}

bool KvDataStoreKeyPool::find(const char* s, size_t n, uint32_t& idx) const {
    if (slots_.empty()) return false;
    const Hash hs = hash(s, n);
    const uint32_t h = hs.full;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hs.home & mask; slots_[i]; i = (i + 1) & mask) {
        if (hashOf(slots_[i]) == h && matches(indexOf(slots_[i]), s, n)) {
            idx = indexOf(slots_[i]);
            return true;
        }
    }
    return false;
}

void KvDataStoreKeyPool::reserve(size_t n) {
    if (!spans_.empty()) return;
    size_t size = 256;
    while (size < (n + 1) * 2)
        size *= 2;
    slots_.assign(size, 0);
}

void KvDataStoreKeyPool::clear() {
    arena_.clear();
    spans_.clear();
    slots_.clear();
}

size_t KvDataStoreKeyPool::footprint() const {
    return arena_.capacity() + spans_.capacity() * sizeof(spans_[0]) + slots_.capacity() * sizeof(slots_[0]);
}

void KvDataStoreKeyPool::grow() {
    const size_t size = slots_.empty() ? 256 : slots_.size() * 4;
    slots_.assign(size, 0);  // reuses the capacity of a cleared pool
    for (uint32_t idx = 0; idx < spans_.size(); ++idx) {
        const Hash h = hash(arena_.data() + spans_[idx].first, spans_[idx].second);
        size_t i = h.home & (size - 1);
        while (slots_[i])
            i = (i + 1) & (size - 1);
        slots_[i] = makeSlot(h.full, idx);
    }
}
