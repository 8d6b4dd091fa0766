#pragma once

#include <KvDelayedFunction.h>
#include <KvRefPtr.h>

class KvFrameworkEntityInstance;

// Runs an instance's update() when the action queue reaches it, holding the
// instance until then.
class KV_BASE_EXPORT KvUpdateLater : public KvDelayedFunction {
public:
    explicit KvUpdateLater(KvFrameworkEntityInstance* instance);
    void execute() override;

protected:
    ~KvUpdateLater() override;

private:
    KvRefPtr<KvFrameworkEntityInstance> instance_;
};
