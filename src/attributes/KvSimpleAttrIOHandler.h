#pragma once

#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvGenre.h>

#include <cstddef>

namespace kv::detail {
// Tells whether the store failed while something was read: a store that had
// failed already reports a new failure through a longer error list.
class StoreFailureWatch {
public:
    explicit StoreFailureWatch(const KvDataStore& store)
        : store_(store), failed_(store.hasFailed()), errors_(store.getErrors().size()) {}
    bool failedSince() const { return (!failed_ && store_.hasFailed()) || store_.getErrors().size() > errors_; }

private:
    const KvDataStore& store_;
    bool failed_;
    size_t errors_;
};
}  // namespace kv::detail

// Writes an attribute item of class T as one entry under its key, through
// the item's save(store, key), and reads it back with the constructor
// T(store, key).
template <class T>
class KvSimpleAttrIOHandler : public KvEntityType {
public:
    ~KvSimpleAttrIOHandler() override = default;

    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const T* item = T::cast(entity);
        if (!item) {
            store.reportError("Invalid entity type for this handler");
            return false;
        }
        kv::detail::StoreFailureWatch watch(store);
        item->save(store, key);
        // Stores before version 10 do not record plain entries as entities.
        if (store.getVersion() < 10) store.completeEntry(key, shared);
        return !watch.failedSince();
    }

    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        kv::detail::StoreFailureWatch watch(store);
        T* item = new T(store, key);
        item->ref();
        if (watch.failedSince()) {
            item->unref();
            return false;
        }
        // The first owner takes the first reference.
        item->unrefKeep();
        entity = item;
        return true;
    }
};
