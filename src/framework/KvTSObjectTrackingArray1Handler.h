#pragma once

#include <KvActionObject.h>
#include <KvBaseExport.h>

// Told by a tracking array each time it has followed one of its objects
// through a purge, replace, split or join; `cause` names the array.
class KV_BASE_EXPORT KvTSObjectTrackingArray1Handler {
public:
    virtual ~KvTSObjectTrackingArray1Handler() = default;
    virtual void arrayChanged(KvActionObject cause) = 0;
};
