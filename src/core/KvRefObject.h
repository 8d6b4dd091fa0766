#pragma once

#include <KvObservedObject.h>
#include <KvRefCounted.h>

class KvMapper;
class KvMultiObject;
class KvConstRefObjectArray1;

// An observed object whose life is shared through an atomic reference count.
// The unref() that takes the count from 1 to 0 calls destroy(): the object
// turns dying, its observers get purge actions, and the action queue deletes
// it after every pending delivery. Nobody deletes a KvRefObject directly.
class KV_BASE_EXPORT KvRefObject : public KvObservedObject, public KvRefCounted<KvRefObject, KvLastUnref::Destroy> {
    KV_TYPE_HEADER(KvRefObject)
public:
    KvRefObject() { refObject_ = true; }
    // A copy starts unshared and with no observers; assignment keeps both
    // counts and both observer lists.
    KvRefObject(const KvRefObject& o) : KvObservedObject(o), KvRefCounted(o) { refObject_ = true; }
    KvRefObject& operator=(const KvRefObject& o) = default;
    // Warns when the object is deleted other than by the action queue (a
    // `delete`, or a stack object going out of scope) while still
    // referenced or without destroy().
    ~KvRefObject() override;

    KvRefObject* castToRefObject() final { return this; }

    // Announces that `replacement` takes this object's place.
    virtual void replace(KvRefObject* replacement, KvMapper* mapper);
    // Announces that this object was split into the members of `multi`.
    void replaceSplit(KvMultiObject* multi, KvMapper* mapper);

protected:
    void ensureObserver(const KvConstRefObjectArray1& objects);
    void ensureObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj);
    void clearObserver(const KvConstRefObjectArray1& objects);
    void clearObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj);

private:
    void announce(KvAction* action);
};
