#include <KvGroupMembershipAction.h>

#include <KvGroupMembershipMonitor.h>

KvGroupMembershipAction::KvGroupMembershipAction(KvGroupMembershipMonitor* monitor) : monitor_(monitor) {
    if (monitor_) monitor_->ref();
}

KvGroupMembershipAction::~KvGroupMembershipAction() {
    if (monitor_) monitor_->unref();
}

void KvGroupMembershipAction::execute() {
    if (monitor_) monitor_->membershipChanged();
}
