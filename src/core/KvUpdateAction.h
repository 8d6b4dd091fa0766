#pragma once

#include <KvMapperAction.h>

// The source changed; the mapper, when given, maps its old state to the new.
class KV_BASE_EXPORT KvUpdateAction : public KvMapperAction {
public:
    KvUpdateAction(KvObservedObject* source, const KvMapper* mapper) : KvMapperAction(source, mapper) {}
    KvUpdateAction(const KvUpdateAction& o) = default;
    void process(KvObject* target) override;
    KvString getClassName() override { return "UpdateAction"; }

protected:
    ~KvUpdateAction() override = default;
};
