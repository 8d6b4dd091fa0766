#pragma once

#include <KvComplexAttrIOHandler.h>

// Writes a reference object of class T as a section of its own under its
// key, through T::save(store), and reads it back with the constructor
// T(store); an object whose reading failed the store is dropped. Reference
// objects are read as complex items are.
template <class T>
class KvRefObjectIOHandler : public KvComplexAttrIOHandler<T> {
public:
    ~KvRefObjectIOHandler() override = default;
};
