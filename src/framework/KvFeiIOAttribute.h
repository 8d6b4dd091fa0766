#pragma once

#include <KvBase.h>
#include <KvBaseExport.h>
#include <KvDataStoreAttribute.h>
#include <KvFeiTrackingArray1.h>

class KvDataStore;

// Lives with one data store and keeps the framework entity instances made
// while reading it alive until the store goes: they come out of the store
// unreferenced, and whoever reads the store must have the chance to take
// them first.
class KV_BASE_EXPORT KvFeiIOAttribute : public KvDataStoreAttribute {
    KV_TYPE_HEADER(KvFeiIOAttribute)
public:
    KvFeiIOAttribute() = default;

    // The store's attribute, added to it if it has none.
    static KvFeiIOAttribute* of(const KvDataStore& store);

    KvFeiTrackingArray1& getInstances() { return instances_; }
    const KvFeiTrackingArray1& getInstances() const { return instances_; }

private:
    KvFeiTrackingArray1 instances_;
};
