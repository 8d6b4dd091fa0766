#pragma once

#include <KvDelayedFunction.h>

class KvGroupMembershipMonitor;

// Calls one membership monitor when the action queue reaches it, holding the
// monitor until then.
class KV_BASE_EXPORT KvGroupMembershipAction : public KvDelayedFunction {
public:
    explicit KvGroupMembershipAction(KvGroupMembershipMonitor* monitor);
    void execute() override;

protected:
    ~KvGroupMembershipAction() override;

private:
    KvGroupMembershipMonitor* monitor_;
};
