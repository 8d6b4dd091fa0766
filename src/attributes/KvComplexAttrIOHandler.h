#pragma once

#include <KvSimpleAttrIOHandler.h>

// Writes an attribute item of class T as a section of its own under its key,
// through the item's save(store), and reads it back with the constructor
// T(store) inside that section.
template <class T>
class KvComplexAttrIOHandler : public KvEntityType {
public:
    ~KvComplexAttrIOHandler() override = default;

    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const T* item = T::cast(entity);
        if (!item) {
            store.reportError("Invalid entity type for this handler");
            return false;
        }
        if (!store.openSection(key, shared)) return false;
        kv::detail::StoreFailureWatch watch(store);
        item->save(store);
        bool closed = store.closeSection();
        return closed && !watch.failedSince();
    }

    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        kv::detail::StoreFailureWatch watch(store);
        T* item = new T(store);
        item->ref();
        if (watch.failedSince()) {
            item->unref();
        } else {
            item->unrefKeep();
            entity = item;
        }
        // The answer is the section's: a failed item has been reported already.
        return store.closeSection();
    }
};
