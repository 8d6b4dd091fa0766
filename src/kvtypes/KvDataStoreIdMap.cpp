#include "KvDataStoreIdMap.h"

#include <stdexcept>

void KvDataStoreIdMap::tooMany() { throw std::length_error("KvDataStore: too many entities"); }

uint32_t KvDataStoreIdMap::find(const void* p) const {
    if (slots_.empty()) return 0;
    const uint64_t x = addressBits(p);
    const size_t mask = slots_.size() - 1;
    for (size_t i = home(x); slots_[i]; i = (i + 1) & mask) {
        const uint32_t id = static_cast<uint32_t>(slots_[i]);
        if (static_cast<uint32_t>(slots_[i] >> 32) == static_cast<uint32_t>(x) && addresses_[id] == p) return id;
    }
    return 0;
}

void KvDataStoreIdMap::reserve(size_t n) {
    if (count_) return;
    unsigned bits = 12;
    while ((size_t(1) << bits) < (n + 1) * 2)
        ++bits;
    bits_ = bits;
    slots_.assign(size_t(1) << bits_, 0);
    addresses_.reserve(n + 1);
}

void KvDataStoreIdMap::clear() {
    slots_.clear();
    addresses_.assign(1, nullptr);  // identifiers start at 1
    bits_ = 0;
    count_ = 0;
}

void KvDataStoreIdMap::grow() {
    bits_ = slots_.empty() ? 12 : bits_ + 2;
    slots_.assign(size_t(1) << bits_, 0);  // reuses the capacity of a cleared map
    const size_t mask = slots_.size() - 1;
    for (uint32_t id = 1; id <= count_; ++id) {
        const uint64_t x = addressBits(addresses_[id]);
        size_t i = home(x);
        while (slots_[i])
            i = (i + 1) & mask;
        slots_[i] = (uint64_t(static_cast<uint32_t>(x)) << 32) | id;
    }
}
