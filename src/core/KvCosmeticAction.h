#pragma once

#include <KvAction.h>

// Only the look of the source changed, not its content.
class KV_BASE_EXPORT KvCosmeticAction : public KvAction {
public:
    explicit KvCosmeticAction(KvObservedObject* source) : KvAction(source) {}
    KvCosmeticAction(const KvCosmeticAction& o) = default;
    void process(KvObject* target) override;
    KvString getClassName() override { return "CosmeticAction"; }

protected:
    ~KvCosmeticAction() override = default;
};
