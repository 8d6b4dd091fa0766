#include <KvGroupMembershipMonitor.h>

#include <KvTSObjectGroup.h>

KvGroupMembershipMonitor::~KvGroupMembershipMonitor() {
    if (KvTSObjectGroup* group = group_) {
        group_ = nullptr;
        group->removeMembershipMonitor(this);
    }
}
