#pragma once

#include <KvBaseExport.h>
#include <KvRefCounted.h>

class KvTSObjectGroup;

// Told, through the action queue, each time the members of the group it is
// registered with change. The group holds one count of the monitor's
// reference count; the monitor is deleted when the count reaches zero.
class KV_BASE_EXPORT KvGroupMembershipMonitor : public KvRefCounted<KvGroupMembershipMonitor, KvLastUnref::Delete> {
public:
    KvGroupMembershipMonitor() = default;
    KvGroupMembershipMonitor(const KvGroupMembershipMonitor&) = delete;
    KvGroupMembershipMonitor& operator=(const KvGroupMembershipMonitor&) = delete;

    virtual void membershipChanged() = 0;

    KvTSObjectGroup* getGroup() const { return group_; }

protected:
    friend class KvRefCounted<KvGroupMembershipMonitor, KvLastUnref::Delete>;
    // Leaves the group it is registered with.
    virtual ~KvGroupMembershipMonitor();

    void setGroup(KvTSObjectGroup* group) { group_ = group; }

private:
    friend class KvTSObjectGroup;

    KvTSObjectGroup* group_ = nullptr;
};
