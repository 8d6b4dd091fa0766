#include <KvMultiObject.h>

#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvJoinAction.h>
#include <KvMultiObjectState.h>
#include <KvObserverIterator.h>
#include <KvTSObjectArray1.h>

#include <cstdint>
#include <limits>

KV_TYPE_SOURCE(KvMultiObject, "MultiObject", KvTSObject)

KvMultiObject::KvMultiObject() = default;

KvMultiObject::KvMultiObject(const KvMultiObject& other) : KvTSObject(other) {}

KvMultiObject::KvMultiObject(KvAttributedObjectUndoBridge* bridge, const KvMultiObjectState& state)
    : KvTSObject(bridge, state) {}

KvMultiObject::~KvMultiObject() = default;

KvMultiObject& KvMultiObject::operator=(const KvMultiObject& other) {
    KvTSObject::operator=(other);
    return *this;
}

KvTSObject* KvMultiObject::getClone(KvCloneMapper&) { return nullptr; }

const KvTSObject* KvMultiObject::getClone(KvCloneMapper&) const { return nullptr; }

uint64_t KvMultiObject::getClonePriority() const { return std::numeric_limits<uint64_t>::max(); }

size_t KvMultiObject::getMultisFromObject(const KvObservedObject* obj, KvTSObjectArray1& out) {
    out.clear();
    if (!obj) return 0;
    KvObserverIterator it(obj);
    for (it.first(); !it.isDone(); it.next())
        if (KvMultiObject* multi = KvMultiObject::cast(it.getCurrent())) out.push_back(multi);
    return out.size();
}

void KvMultiObject::replaceJoin(KvObservedObject* replacement, KvMapper* mapper) {
    {
        // The actions describe the object as it was, whatever happens to it
        // while they are delivered.
        KvRefPtr<KvMultiObject> temp(createTemporaryCopy());
        // A constituent's observers may change the membership: ask each time.
        for (size_t i = 0; i < getNumObjects(); ++i) {
            KvObservedObject* c = getObject(i);
            if (!c) continue;
            KvActionRef join(new KvJoinAction(c, temp.get(), replacement, mapper));
            KvObserverIterator it(c);
            for (it.first(); !it.isDone(); it.next())
                KvActionQueue::add(it.getCurrent(), join.get());
        }
    }
    KvActionQueue::process();
    updateObservers(KvActionObject());
}
