#include "KvDataStoreIdMap.h"

#include <stdexcept>

uint32_t KvDataStoreIdMap::insert(const void* p, bool& isNew) {
    if ((size_t(count_) + 1) * 2 > slots_.size()) grow();
    const size_t mask = slots_.size() - 1;
    size_t i = home(p);
    for (; slots_[i].id; i = (i + 1) & mask) {
        if (slots_[i].key == p) {
            isNew = false;
            return slots_[i].id;
        }
    }
    if (count_ == 0xFFFFFFFEu) throw std::length_error("KvDataStore: too many entities");
    slots_[i] = {p, ++count_};
    isNew = true;
    return count_;
}

uint32_t KvDataStoreIdMap::find(const void* p) const {
    if (slots_.empty()) return 0;
    const size_t mask = slots_.size() - 1;
    for (size_t i = home(p); slots_[i].id; i = (i + 1) & mask)
        if (slots_[i].key == p) return slots_[i].id;
    return 0;
}

void KvDataStoreIdMap::clear() {
    slots_.clear();
    bits_ = 0;
    count_ = 0;
}

void KvDataStoreIdMap::grow() {
    if (slots_.empty()) {
        bits_ = 12;
        slots_.assign(size_t(1) << bits_, Slot{nullptr, 0});  // reuses the capacity of a cleared map
        return;
    }
    std::vector<Slot> old;
    old.swap(slots_);
    bits_ += 2;
    slots_.assign(size_t(1) << bits_, Slot{nullptr, 0});
    const size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (!s.id) continue;
        size_t i = home(s.key);
        while (slots_[i].id)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}
