#pragma once

#include <KvBaseExport.h>
#include <KvRefCounted.h>

// A small command that runs when the action queue reaches it, after the
// notifications queued before it. Reference counted; deleted by the unref()
// that brings the count to 0.
class KV_BASE_EXPORT KvDelayedFunction : public KvRefCounted<KvDelayedFunction, KvLastUnref::Delete> {
public:
    KvDelayedFunction() = default;
    KvDelayedFunction(const KvDelayedFunction&) = default;
    KvDelayedFunction& operator=(const KvDelayedFunction&) = default;

    virtual void execute() = 0;

protected:
    friend class KvRefCounted<KvDelayedFunction, KvLastUnref::Delete>;
    virtual ~KvDelayedFunction();
};
