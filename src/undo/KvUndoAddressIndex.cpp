#include <KvUndoAddressIndex.h>

void KvUndoAddressIndex::clear() {
    std::vector<uint32_t>().swap(slots_);
    used_ = 0;
}

void KvUndoAddressIndex::reset(size_t live) {
    size_t cap = 16;
    while (cap < live * 4)
        cap <<= 1;
    // assign() keeps the capacity: a model that shrank would keep the table
    // of its largest size.
    if (slots_.capacity() > 2 * cap) std::vector<uint32_t>().swap(slots_);
    slots_.assign(cap, kEmpty);
    used_ = 0;
}

void KvUndoAddressIndex::place(const void* key, uint32_t pos) {
    size_t mask = slots_.size() - 1;
    size_t i = home(key);
    while (slots_[i] != kEmpty && slots_[i] != kTomb)
        i = (i + 1) & mask;
    if (slots_[i] == kEmpty) ++used_;
    slots_[i] = pos + 1;
}
