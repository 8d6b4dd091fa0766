#pragma once

#include <KvBaseExport.h>

class KvRefObject;

// Told of each object a manager creates, and, when added, of each object the
// manager holds already.
class KV_BASE_EXPORT KvRefObjectAlert {
public:
    virtual ~KvRefObjectAlert();
    virtual void objectAdded(KvRefObject* obj) = 0;
};
