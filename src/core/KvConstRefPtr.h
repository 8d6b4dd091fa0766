#pragma once

#include <KvRefPtr.h>

// KvRefPtr's read-only form: holds one reference to a const object.
template <class T>
class KvConstRefPtr {
public:
    using element_type = const T;

    KvConstRefPtr() = default;
    KvConstRefPtr(std::nullptr_t) {}
    KvConstRefPtr(const T* p) : p_(p) {
        if (p_) p_->ref();
    }
    KvConstRefPtr(const KvConstRefPtr& o) : p_(o.p_) {
        if (p_) p_->ref();
    }
    KvConstRefPtr(KvConstRefPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    template <class U, class = std::enable_if_t<std::is_convertible<const U*, const T*>::value>>
    KvConstRefPtr(const KvConstRefPtr<U>& o) : KvConstRefPtr(o.get()) {}
    template <class U, class = std::enable_if_t<std::is_convertible<U*, const T*>::value>>
    KvConstRefPtr(const KvRefPtr<U>& o) : KvConstRefPtr(o.get()) {}
    ~KvConstRefPtr() {
        if (p_) p_->unref();
    }

    KvConstRefPtr& operator=(const KvConstRefPtr& o) { return *this = o.p_; }
    KvConstRefPtr& operator=(KvConstRefPtr&& o) noexcept {
        if (this != &o) {
            const T* old = p_;
            p_ = o.p_;
            o.p_ = nullptr;
            if (old) old->unref();
        }
        return *this;
    }
    KvConstRefPtr& operator=(const T* p) {
        if (p) p->ref();
        const T* old = p_;
        p_ = p;
        if (old) old->unref();
        return *this;
    }
    KvConstRefPtr& operator=(std::nullptr_t) { return *this = static_cast<const T*>(nullptr); }

    const T* get() const { return p_; }
    const T* data() const { return p_; }
    const T& operator*() const { return *p_; }
    const T* operator->() const { return p_; }
    operator const T*() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool isNull() const { return p_ == nullptr; }

    void swap(KvConstRefPtr& o) noexcept { std::swap(p_, o.p_); }

private:
    const T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const KvConstRefPtr<T>& a, const KvConstRefPtr<U>& b) {
    return a.get() == b.get();
}
template <class T, class U>
bool operator!=(const KvConstRefPtr<T>& a, const KvConstRefPtr<U>& b) {
    return a.get() != b.get();
}

namespace std {
template <class T>
struct hash<KvConstRefPtr<T>> {
    size_t operator()(const KvConstRefPtr<T>& p) const noexcept { return std::hash<const T*>()(p.get()); }
};
}  // namespace std
