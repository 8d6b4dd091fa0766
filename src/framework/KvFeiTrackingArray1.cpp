#include <KvFeiTrackingArray1.h>

#include <KvActionLock.h>
#include <KvFrameworkEntityInstance.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>

#include <utility>

KV_TYPE_SOURCE(KvFeiTrackingArray1, "FeiTrackingArray1", KvObject)

KvFeiTrackingArray1::~KvFeiTrackingArray1() {
    // Observers of the instances that go hear of it once all are let go.
    KvActionLock lock;
    kv::vector<KvRefPtr<KvFrameworkEntityInstance>> instances;
    instances.swap(instances_);
    positions_.clear();
    for (const KvRefPtr<KvFrameworkEntityInstance>& instance : instances)
        instance->removeObserver(this);
    instances.clear();
}

bool KvFeiTrackingArray1::add(KvFrameworkEntityInstance* instance) {
    if (!instance || contains(instance)) return false;
    instance->addObserver(this);
    if (indexed_) positions_[instance] = instances_.size();
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
    if (!indexed_) {
        for (size_t i = 0; i < instances_.size(); ++i)
            positions_[std::as_const(instances_)[i].get()] = i;
        indexed_ = true;
    }
    auto at = positions_.find(instance);
    if (at == positions_.end()) return;
    // The last entry takes the place of the one that goes: order means
    // nothing here.
    const size_t index = at->second;
    positions_.erase(at);
    const size_t last = instances_.size() - 1;
    if (index != last) {
        std::swap(instances_[index], instances_[last]);
        positions_[instances_[index].get()] = index;
    }
    instances_.pop_back();
}

void KvFeiTrackingArray1::handleReplaceAction(KvReplaceAction* action) { drop(action); }

void KvFeiTrackingArray1::handlePurgeAction(KvPurgeAction* action) { drop(action); }

void KvFeiTrackingArray1::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }

void KvFeiTrackingArray1::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }
