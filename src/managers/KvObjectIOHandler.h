#pragma once

#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvGenre.h>
#include <KvSimpleAttrIOHandler.h>

// Writes a reference object of class T as a section under its key, through
// T's save(store), and reads it back with the constructor T(store) inside the
// section. A set that fails to read is destroyed and gives null.
template <class T>
class KvObjectIOHandler : public KvEntityType {
public:
    ~KvObjectIOHandler() override = default;

    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const T* obj = T::cast(entity);
        if (!obj) {
            store.reportError("Invalid entity type for this handler");
            return false;
        }
        if (!store.openSection(key, shared)) return false;
        obj->save(store);
        return store.closeSection();
    }

    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        kv::detail::StoreFailureWatch watch(store);
        T* obj = new T(store);
        if (watch.failedSince()) {
            obj->ref();
            obj->unref();
            obj = nullptr;
        }
        entity = obj;
        return store.closeSection() && obj;
    }
};
