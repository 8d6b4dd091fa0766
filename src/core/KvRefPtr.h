#pragma once

#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

// Holds one reference to a reference-counted object while non-null. One
// pointer wide, no allocation. Assignment references the new object before
// releasing the old one, so self-assignment never destroys.
//
// There is no conversion to a plain pointer: get() says where the reference
// is let go of, and `delete p` does not compile.
// T needs ref() and unref() (KvRefObject and its descendants, attribute
// items, actions). KvConstRefPtr<T>, its read-only form, is a KvRefPtr<const T>.
template <class T>
class KvRefPtr {
public:
    using element_type = T;

    KvRefPtr() = default;
    KvRefPtr(std::nullptr_t) {}
    KvRefPtr(T* p) : p_(p) {
        if (p_) p_->ref();
    }
    KvRefPtr(const KvRefPtr& o) : KvRefPtr(o.p_) {}
    KvRefPtr(KvRefPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    KvRefPtr(const KvRefPtr<U>& o) : KvRefPtr(o.get()) {}
    ~KvRefPtr() {
        if (p_) p_->unref();
    }

    KvRefPtr& operator=(const KvRefPtr& o) { return *this = o.p_; }
    KvRefPtr& operator=(KvRefPtr&& o) noexcept {
        if (this != &o) {
            T* old = std::exchange(p_, std::exchange(o.p_, nullptr));
            if (old) old->unref();
        }
        return *this;
    }
    KvRefPtr& operator=(T* p) {
        if (p) p->ref();
        T* old = std::exchange(p_, p);
        if (old) old->unref();
        return *this;
    }
    KvRefPtr& operator=(std::nullptr_t) { return *this = static_cast<T*>(nullptr); }
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    KvRefPtr& operator=(const KvRefPtr<U>& o) {
        return *this = o.get();
    }

    T* get() const { return p_; }
    T& operator*() const { return *p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    void swap(KvRefPtr& o) noexcept { std::swap(p_, o.p_); }

private:
    T* p_ = nullptr;
};

// Comparison by address, with each other, with plain pointers and with null.
template <class T, class U>
bool operator==(const KvRefPtr<T>& a, const KvRefPtr<U>& b) {
    return a.get() == b.get();
}
template <class T, class U>
bool operator!=(const KvRefPtr<T>& a, const KvRefPtr<U>& b) {
    return a.get() != b.get();
}
template <class T, class U>
bool operator==(const KvRefPtr<T>& a, U* b) {
    return a.get() == b;
}
template <class T, class U>
bool operator==(U* a, const KvRefPtr<T>& b) {
    return a == b.get();
}
template <class T, class U>
bool operator!=(const KvRefPtr<T>& a, U* b) {
    return a.get() != b;
}
template <class T, class U>
bool operator!=(U* a, const KvRefPtr<T>& b) {
    return a != b.get();
}
template <class T>
bool operator==(const KvRefPtr<T>& a, std::nullptr_t) {
    return !a;
}
template <class T>
bool operator==(std::nullptr_t, const KvRefPtr<T>& b) {
    return !b;
}
template <class T>
bool operator!=(const KvRefPtr<T>& a, std::nullptr_t) {
    return static_cast<bool>(a);
}
template <class T>
bool operator!=(std::nullptr_t, const KvRefPtr<T>& b) {
    return static_cast<bool>(b);
}

namespace std {
template <class T>
struct hash<KvRefPtr<T>> {
    size_t operator()(const KvRefPtr<T>& p) const noexcept { return std::hash<T*>()(p.get()); }
};
}  // namespace std
