#include <KvFeiTrackingArray1.h>

#include <KvActionLock.h>
#include <KvFrameworkEntityInstance.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>

KV_TYPE_SOURCE(KvFeiTrackingArray1, "FeiTrackingArray1", KvObject)

KvFeiTrackingArray1::~KvFeiTrackingArray1() {
    // Observers of the instances that go hear of it once all are let go.
    KvActionLock lock;
    kv::vector<KvRefPtr<KvFrameworkEntityInstance>> instances;
    instances.swap(instances_);
    for (const KvRefPtr<KvFrameworkEntityInstance>& instance : instances)
        instance->removeObserver(this);
    instances.clear();
}

bool KvFeiTrackingArray1::add(KvFrameworkEntityInstance* instance) {
    if (!instance || contains(instance)) return false;
    instance->addObserver(this);
    instances_.push_back(KvRefPtr<KvFrameworkEntityInstance>(instance));
    return true;
}

bool KvFeiTrackingArray1::contains(const KvFrameworkEntityInstance* instance) const {
    // An instance has few observers; the array may hold many instances.
    return instance && instance->isObserver(const_cast<KvFeiTrackingArray1*>(this));
}

void KvFeiTrackingArray1::drop(KvAction* action) {
    auto* instance = KvFrameworkEntityInstance::cast(action->getSource());
    if (!instance) return handleBadAction(action);
    instance->removeObserver(this);
    // Recently read instances are the likeliest to go.
    const auto& held = instances_;
    for (size_t i = held.size(); i-- > 0;) {
        if (held[i].get() != instance) continue;
        instances_.removeAt(i);
        return;
    }
}

void KvFeiTrackingArray1::handleReplaceAction(KvReplaceAction* action) { drop(action); }

void KvFeiTrackingArray1::handlePurgeAction(KvPurgeAction* action) { drop(action); }

void KvFeiTrackingArray1::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }

void KvFeiTrackingArray1::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }
