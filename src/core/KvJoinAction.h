#pragma once

#include <KvMapperAction.h>
#include <KvRefObject.h>

class KvMultiObject;

// The source, a member of a multi-object, was joined with the other members
// into getSingle(); getMulti() is a copy of the multi-object as it was.
class KV_BASE_EXPORT KvJoinAction : public KvMapperAction {
public:
    KvJoinAction(KvObservedObject* source, KvMultiObject* multi, KvObservedObject* single, const KvMapper* mapper);
    KvJoinAction(const KvJoinAction& o);
    void process(KvObject* target) override;
    KvString getClassName() override { return "JoinAction"; }
    KvMultiObject* getMulti() { return multi_; }
    KvObservedObject* getSingle() { return single_; }

protected:
    ~KvJoinAction() override;

private:
    KvMultiObject* multi_;
    KvRefObject* heldMulti_;
    KvObservedObject* single_;
    KvObject* heldSingle_;  // the single's reference or undo reference form
    int singleKind_;        // 0 none, 1 reference object, 2 undo reference object
};
