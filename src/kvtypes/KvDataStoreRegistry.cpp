#include "KvDataStoreRegistry.h"

#include "KvDataStoreFormat.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<const KvTypeId::Data*, KvEntityType*> byType;
    std::unordered_map<std::string, KvEntityType*> byName;
    std::atomic<uint64_t> generation{1};
    std::atomic<uint32_t> currentVersion{KvDataStoreFormat::DefaultStoreVersion};
};

Registry& registry() {
    static Registry* r = new Registry;  // never destroyed: registrations last as long as the process
    return *r;
}

// The caller holds the mutex.
KvDataStoreRegistry::Resolved resolveLocked(Registry& r, const KvTypeId& type) {
    for (KvTypeId t = type; t.isValid(); t = t.getParent()) {
        auto it = r.byType.find(t.data());
        if (it != r.byType.end()) return {it->second, t.getName()};
        auto jt = r.byName.find(t.getName().str());
        if (jt != r.byName.end()) return {jt->second, t.getName()};
    }
    return {};
}

}  // namespace

void KvDataStoreRegistry::setCurrentVersion(uint32_t version) { registry().currentVersion.store(version); }
uint32_t KvDataStoreRegistry::currentVersion() { return registry().currentVersion.load(); }
uint64_t KvDataStoreRegistry::generation() { return registry().generation.load(std::memory_order_acquire); }

namespace {

// Registers `handler` under `key` in `map` (null removes it) and tells the
// stores' caches.
template <class Map, class K>
void registerIn(Map Registry::*map, const K& key, KvEntityType* handler) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (handler)
        (r.*map)[key] = handler;
    else
        (r.*map).erase(key);
    r.generation.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace

void KvDataStoreRegistry::add(const KvTypeId& type, KvEntityType* handler) {
    if (type.isValid()) registerIn(&Registry::byType, type.data(), handler);
}

void KvDataStoreRegistry::add(const KvString& name, KvEntityType* handler) {
    if (!name.isEmpty()) registerIn(&Registry::byName, name.str(), handler);
}

KvDataStoreRegistry::Resolved KvDataStoreRegistry::resolve(const KvTypeId& type) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return resolveLocked(r, type);
}

KvEntityType* KvDataStoreRegistry::resolve(const std::string& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.byName.find(name);
    if (it != r.byName.end()) return it->second;
    return resolveLocked(r, KvTypeId::lookup(KvString(name))).handler;
}
