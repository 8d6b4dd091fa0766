#pragma once

#include <KvTSObjectState.h>
#include <KvTypeId.h>
#include <KvUndoReference.h>
#include <KvVector.h>

class KvTSObjectGroup;

class KV_BASE_EXPORT KvTSObjectGroupState : public KvTSObjectState {
public:
    explicit KvTSObjectGroupState(const KvTSObjectGroup& group);
    ~KvTSObjectGroupState() override;

    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override;
    void restoreBridgedObject(KvAttributedObject* obj) const override;
    // The framework, once every object of the step is back.
    void postRestoreBridgedObject(KvAttributedObject* obj) const override;
    // The framework is not compared.
    bool isSame(const KvUndoState* other) const override;

    const KvTypeId& getAllowedType() const { return allowedType_; }
    const kv::vector<KvUndoReference>& getMembers() const { return members_; }

private:
    KvTypeId allowedType_;
    KvUndoReference framework_;
    kv::vector<KvUndoReference> members_;
};
