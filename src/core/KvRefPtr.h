#pragma once

#include <cstddef>
#include <functional>
#include <utility>

// Holds one reference to a reference-counted object while non-null. One
// pointer wide, no allocation. Assignment references the new object before
// releasing the old one, so self-assignment never destroys.
// T needs ref() and unref() (KvRefObject and its descendants, attribute items).
template <class T>
class KvRefPtr {
public:
    using element_type = T;

    KvRefPtr() = default;
    KvRefPtr(std::nullptr_t) {}
    KvRefPtr(T* p) : p_(p) {
        if (p_) p_->ref();
    }
    KvRefPtr(const KvRefPtr& o) : p_(o.p_) {
        if (p_) p_->ref();
    }
    KvRefPtr(KvRefPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    KvRefPtr(const KvRefPtr<U>& o) : KvRefPtr(o.get()) {}
    ~KvRefPtr() {
        if (p_) p_->unref();
    }

    KvRefPtr& operator=(const KvRefPtr& o) { return *this = o.p_; }
    KvRefPtr& operator=(KvRefPtr&& o) noexcept {
        if (this != &o) {
            T* old = p_;
            p_ = o.p_;
            o.p_ = nullptr;
            if (old) old->unref();
        }
        return *this;
    }
    KvRefPtr& operator=(T* p) {
        if (p) p->ref();
        T* old = p_;
        p_ = p;
        if (old) old->unref();
        return *this;
    }
    KvRefPtr& operator=(std::nullptr_t) { return *this = static_cast<T*>(nullptr); }

    T* get() const { return p_; }
    T* data() const { return p_; }
    T& operator*() const { return *p_; }
    T* operator->() const { return p_; }
    operator T*() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool isNull() const { return p_ == nullptr; }

    void swap(KvRefPtr& o) noexcept { std::swap(p_, o.p_); }

private:
    T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const KvRefPtr<T>& a, const KvRefPtr<U>& b) {
    return a.get() == b.get();
}
template <class T, class U>
bool operator!=(const KvRefPtr<T>& a, const KvRefPtr<U>& b) {
    return a.get() != b.get();
}

namespace std {
template <class T>
struct hash<KvRefPtr<T>> {
    size_t operator()(const KvRefPtr<T>& p) const noexcept { return std::hash<T*>()(p.get()); }
};
}  // namespace std
