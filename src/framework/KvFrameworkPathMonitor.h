#pragma once

#include <KvBaseExport.h>

class KvFrameworkPath;

// Told by a framework path when it changes.
class KV_BASE_EXPORT KvFrameworkPathMonitor {
public:
    enum Reason {
        Cosmetic = 0,  // something about the frameworks changed, not the chain
        Modified = 1   // the chain, or the path's binding to it, changed
    };

    virtual ~KvFrameworkPathMonitor() = default;
    virtual void pathModified(const KvFrameworkPath* path, Reason reason) = 0;
};
