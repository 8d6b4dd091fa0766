#pragma once

#include <KvBase.h>
#include <KvBaseExport.h>
#include <KvDataStoreAttribute.h>
#include <KvRefPtr.h>
#include <KvVector.h>

#include <cstddef>

class KvAttributeItem;

// Keeps attribute items that belong to one open data store, and purges them
// from their owners when the store goes away.
class KV_BASE_EXPORT KvFileClosePurger : public KvDataStoreAttribute {
    KV_TYPE_HEADER(KvFileClosePurger)
public:
    KvFileClosePurger();
    // Purges the items (under one action lock) and lets go of them.
    ~KvFileClosePurger() override;

    // Takes a reference to `item`.
    void add(KvAttributeItem* item);
    size_t getNumItems() const { return items_.size(); }

private:
    kv::vector<KvRefPtr<KvAttributeItem>> items_;
};
