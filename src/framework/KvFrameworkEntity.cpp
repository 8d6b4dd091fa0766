#include <KvFrameworkEntity.h>

#include <KvDataStore.h>
#include <KvLaterUpdater.h>

KV_TYPE_SOURCE(KvFrameworkEntity, "FrameworkEntity", KvTSObject)

KvFrameworkEntity::KvFrameworkEntity() = default;

KvFrameworkEntity::KvFrameworkEntity(const KvFrameworkEntity& other) : KvTSObject(other) {}

KvFrameworkEntity::KvFrameworkEntity(const KvFrameworkEntity& master, KvCloneMapper& mapper)
    : KvTSObject(master, mapper) {}

KvFrameworkEntity::KvFrameworkEntity(const KvDataStore& store) : KvTSObject(store) {}

KvFrameworkEntity::KvFrameworkEntity(KvAttributedObjectUndoBridge* bridge, const KvTSObjectState& state)
    : KvTSObject(bridge, state) {}

KvFrameworkEntity::~KvFrameworkEntity() = default;

KvFrameworkEntity& KvFrameworkEntity::operator=(const KvFrameworkEntity& other) {
    KvTSObject::operator=(other);
    return *this;
}

void KvFrameworkEntity::setFramework(KvFrameworkBase*) {}

KvNotch KvFrameworkEntity::getNotch() const { return KvNotch(); }

bool KvFrameworkEntity::hasUuid(QUuid&) const { return false; }

void KvFrameworkEntity::init() {
    static bool done = false;
    if (done) return;
    done = true;
    KvLaterUpdater::initType();
}

void KvFrameworkEntity::sendUpdateOnFileClose(const KvDataStore& store) {
    KvLaterUpdater* updater = KvLaterUpdater::cast(store.getAttribute(KvLaterUpdater::getClassTypeId()));
    if (!updater) {
        updater = new KvLaterUpdater;
        store.addAttribute(updater);
    }
    updater->add(this);
}
