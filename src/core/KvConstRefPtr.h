#pragma once

#include <KvRefPtr.h>

// The read-only form. It converts from a KvRefPtr (of the class or of a
// derived class), never back.
template <class T>
class KvConstRefPtr : public KvRefPtr<const T> {
public:
    using KvRefPtr<const T>::KvRefPtr;
    using KvRefPtr<const T>::operator=;
    KvConstRefPtr() = default;
};

namespace std {
template <class T>
struct hash<KvConstRefPtr<T>> : hash<KvRefPtr<const T>> {};
}  // namespace std
