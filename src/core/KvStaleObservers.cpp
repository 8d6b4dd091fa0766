#include <KvStaleObservers.h>

#include <KvObject.h>

#include <QHash>

#include <new>

size_t KvStaleObservers::stale_ = 0;

namespace {

struct Stale {
    uint32_t entries = 0;
    void* memory = nullptr;  // kept heap block, freed with the last entry
};

// Keyed by the observer's address as the lists hold it.
QHash<const KvObject*, Stale>& table() {
    static QHash<const KvObject*, Stale> t;
    return t;
}

// The object whose destructor entered it last: its operator delete follows
// at once, with the address of the whole block.
const KvObject* lastDied = nullptr;

}  // namespace

void KvStaleObservers::died(const KvObject* obj, uint32_t lists) {
    Stale& s = table()[obj];
    s.entries += lists;
    stale_ += lists;
    lastDied = obj;
}

bool KvStaleObservers::keep(void* memory, size_t size) {
    const KvObject* obj = lastDied;
    lastDied = nullptr;
    auto* begin = static_cast<char*>(memory);
    auto* at = reinterpret_cast<const char*>(obj);
    if (!obj || at < begin || at >= begin + size) return false;
    auto it = table().find(obj);
    if (it == table().end()) return false;
    it->memory = memory;
    return true;
}

void KvStaleObservers::reborn(KvObject* obj) {
    auto it = table().find(obj);
    if (it == table().end()) return;
    obj->observing_ += it->entries;
    stale_ -= it->entries;
    table().erase(it);
}

bool KvStaleObservers::isStale(const KvObject* obj) { return table().contains(obj); }

void KvStaleObservers::dropped(const KvObject* obj) {
    auto it = table().find(obj);
    if (it == table().end()) return;
    --stale_;
    if (--it->entries > 0) return;
    void* memory = it->memory;
    table().erase(it);
    if (lastDied == obj) lastDied = nullptr;
    ::operator delete(memory);
}
