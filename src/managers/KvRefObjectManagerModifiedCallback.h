#pragma once

#include <KvBaseExport.h>

class KvRefObjectManager;

// Told when a manager on a manager stack has changed.
class KV_BASE_EXPORT KvRefObjectManagerModifiedCallback {
public:
    virtual ~KvRefObjectManagerModifiedCallback();
    virtual void managerModified(KvRefObjectManager* manager) = 0;
};
