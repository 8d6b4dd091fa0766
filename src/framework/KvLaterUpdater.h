#pragma once

#include <KvBase.h>
#include <KvDataStoreAttribute.h>
#include <KvTSObjectTrackingArray1.h>

// Lives with one data store and remembers entities read from it; when the
// store goes away, each entity still around tells its observers once more,
// now that everything the store held is in place.
class KV_BASE_EXPORT KvLaterUpdater : public KvDataStoreAttribute {
    KV_TYPE_HEADER(KvLaterUpdater)
public:
    KvLaterUpdater();
    // Sends the updates, under one action lock.
    ~KvLaterUpdater() override;

    // Each entity once; a purged entity is forgotten.
    void add(KvTSObject* entity) { entities_.addUnique(entity); }
    size_t getNumEntities() const { return entities_.size(); }

private:
    KvTSObjectTrackingArray1 entities_;
};
