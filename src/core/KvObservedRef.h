#pragma once

#include <KvObject.h>
#include <KvRefPtr.h>

// A counted reference to an object that its holder also observes, as a
// holder that follows one object does. set() moves both the observation and
// the reference, and stops observing the old object before letting go of it:
// the last reference may purge it, and the holder must not hear of that. The
// holder calls set(this, nullptr) before it goes.
template <class T>
class KvObservedRef {
public:
    KvObservedRef() = default;
    KvObservedRef(const KvObservedRef&) = delete;
    KvObservedRef& operator=(const KvObservedRef&) = delete;

    T* get() const { return p_.get(); }
    T* operator->() const { return p_.get(); }
    explicit operator bool() const { return p_ != nullptr; }

    void set(KvObject* observer, T* next) {
        if (next == p_.get()) return;
        if (p_) p_->removeObserver(observer);
        if (next) next->addObserver(observer);
        p_ = next;
    }
    // Keeps the object without observing it any more.
    void unobserve(KvObject* observer) {
        if (p_) p_->removeObserver(observer);
    }

private:
    KvRefPtr<T> p_;
};
