#pragma once

#include <KvBaseExport.h>

class KvTSObjectGroup;

// Told whenever any group is created (destroyed false) or destroyed. Alerts
// form one process-wide list, joined with KvTSObjectGroup::addAlert; an
// alert leaves it when it is destroyed.
class KV_BASE_EXPORT KvGroupAlert {
public:
    KvGroupAlert() = default;
    KvGroupAlert(const KvGroupAlert&) = delete;
    KvGroupAlert& operator=(const KvGroupAlert&) = delete;
    virtual ~KvGroupAlert();

    virtual void groupAlert(bool destroyed, KvTSObjectGroup* group) = 0;

private:
    friend class KvTSObjectGroup;

    KvGroupAlert* next = nullptr;
    static KvGroupAlert* firstAlert_;
};
