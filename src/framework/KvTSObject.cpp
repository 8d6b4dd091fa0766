#include <KvTSObject.h>

#include <KvCloneMapper.h>
#include <KvConstAttributedObjectArray1.h>
#include <KvConstTSObjectArray1.h>
#include <KvConstTSObjectSet.h>
#include <KvObserverIterator.h>
#include <KvTSObjectGroup.h>
#include <KvTSObjectMapKey.h>
#include <KvTSObjectState.h>

#include <functional>

KV_TYPE_SOURCE(KvTSObject, "TSObject", KvAttributedObject)

KvTSObject::KvTSObject() = default;

KvTSObject::KvTSObject(const KvTSObject& other) : KvAttributedObject(other) {}

KvTSObject::KvTSObject(const KvTSObject& master, KvCloneMapper& mapper) : KvAttributedObject(master, mapper) {
    if (mapper.preserveTimeStamps()) timeStamp_ = master.timeStamp_;
}

KvTSObject::KvTSObject(const KvDataStore& store) : KvAttributedObject(store) {}

KvTSObject::KvTSObject(KvAttributedObjectUndoBridge* bridge, const KvTSObjectState& state)
    : KvAttributedObject(bridge, state) {
    // Nothing may let go of the object while its stamp is put back.
    ref();
    state.getTSObjectData(*this);
    unrefKeep();
}

KvTSObject::~KvTSObject() = default;

KvTSObject& KvTSObject::operator=(const KvTSObject& other) {
    if (this != &other) KvAttributedObject::operator=(other);
    return *this;
}

const KvTimeStamp& KvTSObject::getCreationTimeStamp(bool& isStamped) const {
    isStamped = true;
    return timeStamp_;
}

bool KvTSObject::operator<(const KvGenre& other) const {
    bool stamped = false;
    const KvTimeStamp& theirs = other.getCreationTimeStamp(stamped);
    if (!stamped) return false;
    if (timeStamp_ < theirs) return true;
    // Equal stamps: a clone that kept its master's.
    return timeStamp_ == theirs && std::less<const KvGenre*>()(this, &other);
}

void KvTSObject::getVisibilityDependentEntities(KvConstAttributedObjectArray1& out) const {
    KvAttributedObject::getVisibilityDependentEntities(out);
    // The groups that hold this object depend on it for their visibility.
    KvObserverIterator it(this);
    for (it.first(); !it.isDone(); it.next())
        if (const KvTSObjectGroup* group = KvTSObjectGroup::cast(it.getCurrent())) out.push_back(group);
}

void KvTSObject::save(KvDataStore& store) const { KvAttributedObject::save(store); }

void KvTSObject::unlink() { destroy(); }

void KvTSObject::checkClones(KvCloneMapper&) const {}

KvMapper* KvTSObject::getSplitMapper(KvMultiObject*) const { return nullptr; }

KvMapper* KvTSObject::getReplaceMapper(KvTSObject*) const { return nullptr; }

void KvTSObject::preMasterReplace(const KvTSObject*, const KvCloneMapper*) {}

void KvTSObject::preCloneReplace(const KvTSObject*, const KvCloneMapper*) {}

bool KvTSObject::isFrameworked() const { return false; }

KvFrameworkBase* KvTSObject::getFramework() const { return nullptr; }

void KvTSObject::postClone(const KvTSObject*, KvCloneMapper&) {}

KvTSObject::operator KvTSObjectMapKey() { return KvTSObjectMapKey(this); }

void KvTSObject::sortArray(KvConstTSObjectArray1& array) {
    // The set orders by creation and keeps one of each object.
    KvConstTSObjectArray1 sorted{KvConstTSObjectSet(array)};
    array.swap(sorted);
}
