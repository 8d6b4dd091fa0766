#pragma once

#include <KvBaseExport.h>

class KvFrameworkPath;

// Makes a framework path the active one; the application implements it and
// the library never calls it.
class KV_BASE_EXPORT KvSetActivePath {
public:
    virtual void setActivePath(const KvFrameworkPath& path) = 0;

protected:
    virtual ~KvSetActivePath() = default;
};
