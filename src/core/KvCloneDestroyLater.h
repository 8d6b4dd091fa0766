#pragma once

#include <KvDelayedFunction.h>
#include <KvRefPtr.h>

class KvTSObject;

// Destroys an object when the action queue reaches it.
class KV_BASE_EXPORT KvCloneDestroyLater : public KvDelayedFunction {
public:
    explicit KvCloneDestroyLater(KvTSObject* obj);
    void execute() override;

protected:
    ~KvCloneDestroyLater() override;

private:
    KvRefPtr<KvTSObject> object_;
};
