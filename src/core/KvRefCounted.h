#pragma once

#include <KvBaseExport.h>
#include <KvGenre.h>
#include <KvRefCount.h>

#include <type_traits>

namespace kv::detail {
// Warns of an unref() that found the count at `before` (0 or below): someone
// released a reference they did not hold. `obj` names the type; null for a
// counted class that is not a genre.
KV_BASE_EXPORT void warnUnrefWithoutReference(const KvGenre* obj, int before);
}  // namespace kv::detail

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
        const int before = count_.release();
        if (before > 1) return;
        T* self = const_cast<T*>(static_cast<const T*>(this));
        if (before < 1) {
            if constexpr (std::is_base_of_v<KvGenre, T>)
                kv::detail::warnUnrefWithoutReference(self, before);
            else
                kv::detail::warnUnrefWithoutReference(nullptr, before);
            return;
        }
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
