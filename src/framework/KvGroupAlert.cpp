#include <KvGroupAlert.h>

#include <KvTSObjectGroup.h>

KvGroupAlert* KvGroupAlert::firstAlert_ = nullptr;

KvGroupAlert::~KvGroupAlert() { KvTSObjectGroup::removeAlert(this); }
