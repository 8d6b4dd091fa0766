#pragma once

#include <KvBaseExport.h>

class KvAttributeItem;

// Told of each item that removeAllAttribItemsOfType removed.
class KV_BASE_EXPORT KvAttRemovalCallback {
public:
    KvAttRemovalCallback() = default;
    KvAttRemovalCallback(const KvAttRemovalCallback&) = default;
    KvAttRemovalCallback(KvAttRemovalCallback&&) = default;
    KvAttRemovalCallback& operator=(const KvAttRemovalCallback&) = default;
    KvAttRemovalCallback& operator=(KvAttRemovalCallback&&) = default;
    virtual ~KvAttRemovalCallback();

    virtual void removed(KvAttributeItem* item) = 0;
};
