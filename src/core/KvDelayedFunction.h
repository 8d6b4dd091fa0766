#pragma once

#include <KvBaseExport.h>
#include <KvRefCount.h>

// A small command that runs when the action queue reaches it, after the
// notifications queued before it. Reference counted; deleted by the unref()
// that brings the count to 0.
class KV_BASE_EXPORT KvDelayedFunction {
public:
    KvDelayedFunction() = default;
    KvDelayedFunction(const KvDelayedFunction&) {}
    KvDelayedFunction& operator=(const KvDelayedFunction&) { return *this; }

    virtual void execute() = 0;

    void ref() const { count_.ref(); }
    void unref() const {
        if (count_.unref()) delete this;
    }
    void unrefKeep() const { count_.unrefKeep(); }
    int getRefCount() const { return count_.getRefCount(); }

protected:
    virtual ~KvDelayedFunction();

private:
    KvRefCount count_;
};
