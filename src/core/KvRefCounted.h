#pragma once

#include <KvRefCount.h>

// What the last unref() of a counted class does.
enum class KvLastUnref {
    Destroy,  // destroy(): an observed object dies through the action queue
    Delete    // delete: a helper that nobody observes
};

// ref(), unref(), unrefKeep() and getRefCount() over one KvRefCount, for the
// library's shared classes. The unref() that brings the count to 0 destroys
// or deletes the object, as `AtZero` says; unrefKeep() never does. A copy
// starts unshared and assignment leaves both counts alone, as KvRefCount does.
template <class T, KvLastUnref AtZero>
class KvRefCounted {
public:
    void ref() const { count_.ref(); }
    void unref() const {
        if (!count_.unref()) return;
        T* self = const_cast<T*>(static_cast<const T*>(this));
        if constexpr (AtZero == KvLastUnref::Destroy)
            self->destroy();
        else
            delete self;
    }
    void unrefKeep() const { count_.unrefKeep(); }
    int getRefCount() const { return count_.getRefCount(); }

protected:
    KvRefCounted() = default;
    KvRefCounted(const KvRefCounted&) = default;
    KvRefCounted& operator=(const KvRefCounted&) = default;
    ~KvRefCounted() = default;

private:
    KvRefCount count_;
};
