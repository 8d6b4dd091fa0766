#pragma once

#include <KvTypesExport.h>

// Something that can give memory back when the process runs short of it.
class KV_TYPES_EXPORT KvMemoryCleaner {
public:
    virtual ~KvMemoryCleaner();
    // Returns true when it freed something.
    virtual bool clean() = 0;
};
