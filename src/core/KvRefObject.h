#pragma once

#include <KvObservedObject.h>

#include <atomic>
#include <cstdint>

class KvMapper;
class KvMultiObject;
class KvConstRefObjectArray1;

// An observed object whose life is shared through an atomic reference count.
// The unref() that takes the count from 1 to 0 calls destroy(): the object
// turns dying, its observers get purge actions, and the action queue deletes
// it after every pending delivery. Nobody deletes a KvRefObject directly.
class KV_BASE_EXPORT KvRefObject : public KvObservedObject {
    KV_TYPE_HEADER(KvRefObject)
public:
    KvRefObject() = default;
    // A copy starts unshared; assignment keeps both counts.
    KvRefObject(const KvRefObject& o) : KvObservedObject(o) {}
    KvRefObject& operator=(const KvRefObject& o) {
        KvObservedObject::operator=(o);
        return *this;
    }

    void ref() const { count_.fetch_add(1, std::memory_order_acq_rel); }
    void unref() const;
    // Drops a reference without ever destroying.
    void unrefKeep() const { count_.fetch_sub(1, std::memory_order_acq_rel); }

    KvRefObject* castToRefObject() override { return this; }

    // Announces that `replacement` takes this object's place.
    virtual void replace(KvRefObject* replacement, KvMapper* mapper);
    // Announces that this object was split into the members of `multi`.
    void replaceSplit(KvMultiObject* multi, KvMapper* mapper);

    // The current count (for diagnostics and tests).
    int getRefCount() const { return count_.load(std::memory_order_acquire); }

protected:
    void ensureObserver(const KvConstRefObjectArray1& objects);
    void ensureObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj);
    void clearObserver(const KvConstRefObjectArray1& objects);
    void clearObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj);

private:
    void announce(KvAction* action);

    mutable std::atomic<int32_t> count_{0};
};
