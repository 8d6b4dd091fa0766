#pragma once

#include <KvTSObject.h>

#include <cstddef>

class KvMultiObjectState;
class KvTSObjectArray1;

// An object that stands for several others at once (its constituents): what
// a split produced, or what a join is about to merge. It observes its
// constituents. A multi-object is never cloned, and it comes first in a clone
// mapper's order.
class KV_BASE_EXPORT KvMultiObject : public KvTSObject {
    KV_TYPE_HEADER(KvMultiObject)
public:
    KvMultiObject();
    KvMultiObject(const KvMultiObject& other);
    ~KvMultiObject() override;
    KvMultiObject& operator=(const KvMultiObject& other);

    KvTSObject* getClone(KvCloneMapper& mapper) override;
    const KvTSObject* getClone(KvCloneMapper& mapper) const override;
    uint64_t getClonePriority() const override;

    virtual size_t getNumObjects() const = 0;
    virtual KvObservedObject* getObject(size_t index) const = 0;
    virtual bool contains(const KvObservedObject* obj) const = 0;

    // The multi-objects that `obj` is a constituent of; returns their count.
    static size_t getMultisFromObject(const KvObservedObject* obj, KvTSObjectArray1& out);

    // Announces that the constituents were joined into `replacement`: one
    // join action per constituent to that constituent's observers, then an
    // update of this object.
    void replaceJoin(KvObservedObject* replacement, KvMapper* mapper);

protected:
    KvMultiObject(KvAttributedObjectUndoBridge* bridge, const KvMultiObjectState& state);

    // A copy of this object as it is now, for the join actions to carry.
    virtual KvMultiObject* createTemporaryCopy() const = 0;
};
