#include <KvLaterUpdater.h>

#include <KvActionLock.h>

KV_TYPE_SOURCE(KvLaterUpdater, "LaterUpdater", KvDataStoreAttribute)

KvLaterUpdater::KvLaterUpdater() = default;

KvLaterUpdater::~KvLaterUpdater() {
    // Observers hear of all the entities only once every update is queued.
    KvActionLock lock;
    // The copy holds the entities while they are told.
    KvTSObjectArray1 entities;
    entities_.getEntities(entities);
    entities_.clear();
    for (KvTSObject* entity : entities)
        if (entity) entity->updateObservers(KvActionObject());
}
