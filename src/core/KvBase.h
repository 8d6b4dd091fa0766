#pragma once

#include <KvBaseExport.h>
#include <KvGenre.h>
#include <KvTypeId.h>

// Start-up of the library, and the type pattern every class follows.
//
// A class states its type once: KV_TYPE_HEADER(KvFoo) at the top of its body
// and KV_TYPE_SOURCE(KvFoo, "Foo", KvParent) in its source. That gives
//   static const KvTypeId& getClassTypeId()  built on first use, parent first
//   static void initType()
//   const KvTypeId& getTypeId() const        (virtual)
//   bool isOfType(const KvTypeId&) const     (virtual, walks to the parent)
//   static KvFoo* cast(KvGenre*)             null unless the object is a KvFoo
class KV_BASE_EXPORT KvBase {
public:
    KvBase() = delete;

    // Starts the whole library; later calls do nothing.
    static void init();
    // Builds the type identifiers of the library's classes; always true.
    static bool initTypes();
};

#define KV_TYPE_HEADER(T)                                                                                    \
public:                                                                                                      \
    static const KvTypeId& getClassTypeId();                                                                 \
    static void initType() { getClassTypeId(); }                                                             \
    const KvTypeId& getTypeId() const override;                                                              \
    bool isOfType(const KvTypeId& id) const override;                                                        \
    static T* cast(KvGenre* p) { return p && p->isOfType(getClassTypeId()) ? static_cast<T*>(p) : nullptr; } \
    static const T* cast(const KvGenre* p) {                                                                 \
        return p && p->isOfType(getClassTypeId()) ? static_cast<const T*>(p) : nullptr;                      \
    }                                                                                                        \
                                                                                                             \
private:

#define KV_TYPE_SOURCE(T, NAME, PARENT)                                  \
    const KvTypeId& T::getClassTypeId() {                                \
        static const KvTypeId id(NAME, PARENT::getClassTypeId());        \
        return id;                                                       \
    }                                                                    \
    const KvTypeId& T::getTypeId() const { return T::getClassTypeId(); } \
    bool T::isOfType(const KvTypeId& id) const { return id == T::getClassTypeId() || PARENT::isOfType(id); }
