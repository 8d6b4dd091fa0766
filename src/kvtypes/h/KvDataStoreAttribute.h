#pragma once

#include <KvGenre.h>
#include <KvTypeId.h>
#include <KvTypesExport.h>

class KvDataStore;

// Something that lives as long as one data store: the store owns the
// attributes added to it (KvDataStore::addAttribute) and deletes them with
// itself, which is the moment for work that must wait until the store is
// done (releasing what was kept alive for it, late notifications).
// Subclasses follow the type pattern with this class as parent; the type is
// how KvDataStore::getAttribute finds them.
class KV_TYPES_EXPORT KvDataStoreAttribute : public KvGenre {
public:
    KvDataStoreAttribute() = default;
    KvDataStoreAttribute(const KvDataStoreAttribute&) = delete;
    KvDataStoreAttribute& operator=(const KvDataStoreAttribute&) = delete;
    // An attribute deleted before its store leaves the store's list.
    ~KvDataStoreAttribute() override;

    static const KvTypeId& getClassTypeId();  // "DataStoreAttribute" < Genre
    static void initType() { getClassTypeId(); }
    static KvDataStoreAttribute* cast(KvGenre* p) {
        return p && p->isOfType(getClassTypeId()) ? static_cast<KvDataStoreAttribute*>(p) : nullptr;
    }
    static const KvDataStoreAttribute* cast(const KvGenre* p) {
        return p && p->isOfType(getClassTypeId()) ? static_cast<const KvDataStoreAttribute*>(p) : nullptr;
    }
    const KvTypeId& getTypeId() const override;
    bool isOfType(const KvTypeId& id) const override;

    // The store that owns the attribute; null before it is added and while
    // the store deletes it.
    const KvDataStore* getDataStore() const { return store_; }

private:
    friend class KvDataStore;
    const KvDataStore* store_ = nullptr;
};
