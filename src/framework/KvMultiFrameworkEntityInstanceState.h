#pragma once

#include <KvMultiObjectState.h>
#include <KvUndoReference.h>
#include <KvVector.h>

class KvMultiFrameworkEntityInstance;

// Undo state of a multi-instance: its multi-object and its path.
class KV_BASE_EXPORT KvMultiFrameworkEntityInstanceState : public KvMultiObjectState {
public:
    explicit KvMultiFrameworkEntityInstanceState(const KvMultiFrameworkEntityInstance& instance);
    ~KvMultiFrameworkEntityInstanceState() override;

    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override;
    void restoreBridgedObject(KvAttributedObject* obj) const override;

private:
    friend class KvMultiFrameworkEntityInstance;

    KvUndoReference multi_;
    kv::vector<KvUndoReference> path_;
};
