#pragma once

#include <cstddef>

// A plain pointer to a const genre that takes no reference: what a reference
// container hands out as a list of genres. Copying it never touches a count.
template <class T>
class KvConstGenrePtr {
public:
    KvConstGenrePtr() = default;
    KvConstGenrePtr(const T* p) : p_(p) {}
    const T* get() const { return p_; }
    const T& operator*() const { return *p_; }
    const T* operator->() const { return p_; }
    operator const T*() const { return p_; }
    bool operator==(const KvConstGenrePtr& o) const { return p_ == o.p_; }
    bool operator!=(const KvConstGenrePtr& o) const { return p_ != o.p_; }

private:
    const T* p_ = nullptr;
};
