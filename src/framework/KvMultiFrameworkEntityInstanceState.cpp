#include <KvMultiFrameworkEntityInstanceState.h>

#include <KvMultiFrameworkEntityInstance.h>
#include <KvUndoBridge.h>

KvMultiFrameworkEntityInstanceState::KvMultiFrameworkEntityInstanceState(const KvMultiFrameworkEntityInstance& instance)
    : KvMultiObjectState(instance), path_(instance.getPath().createState()) {
    if (KvMultiObject* multi = instance.getMulti()) multi_ = multi->reference();
}

KvMultiFrameworkEntityInstanceState::~KvMultiFrameworkEntityInstanceState() = default;

KvAttributedObject* KvMultiFrameworkEntityInstanceState::recreateBridgedObject(
    KvAttributedObjectUndoBridge* bridge) const {
    return new KvMultiFrameworkEntityInstance(bridge, *this);
}

void KvMultiFrameworkEntityInstanceState::restoreBridgedObject(KvAttributedObject* obj) const {
    KvMultiObjectState::restoreBridgedObject(obj);
    if (KvMultiFrameworkEntityInstance* instance = KvMultiFrameworkEntityInstance::cast(obj)) {
        instance->setMulti(KvMultiObject::cast(KvUndoBridge::dereference(multi_)));
        instance->path_.restoreFromState(path_);
    }
}
