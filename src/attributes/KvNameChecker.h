#pragma once

#include <KvBaseExport.h>
#include <KvString.h>

// Tells a name tracker which candidate names are taken by something the
// tracker does not know of. The application derives from it; the base
// reports every name as free.
//
// The tracker only borrows a checker for one call and never deletes it, so
// the class keeps a single virtual operation and no virtual destructor.
class KV_BASE_EXPORT KvNameChecker {
public:
    KvNameChecker() = default;
    KvNameChecker(const KvNameChecker&) = default;
    KvNameChecker(KvNameChecker&&) = default;
    KvNameChecker& operator=(const KvNameChecker&) = default;
    KvNameChecker& operator=(KvNameChecker&&) = default;

    virtual bool contains(const KvString& name) const;
};
