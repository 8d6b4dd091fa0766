#pragma once

#include <KvAction.h>

// The source is dying: receivers drop every reference to it.
class KV_BASE_EXPORT KvPurgeAction : public KvAction {
public:
    explicit KvPurgeAction(KvObservedObject* source) : KvAction(source) {}
    KvPurgeAction(const KvPurgeAction& o) = default;
    void process(KvObject* target) override;
    KvString getClassName() override { return "PurgeAction"; }

protected:
    ~KvPurgeAction() override = default;
};
