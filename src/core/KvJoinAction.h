#pragma once

#include <KvMapperAction.h>
#include <KvRefPtr.h>

class KvMultiObject;

// The source, a member of a multi-object, was joined with the other members
// into getSingle(); getMulti() is a copy of the multi-object as it was.
class KV_BASE_EXPORT KvJoinAction : public KvMapperAction {
public:
    KvJoinAction(KvObservedObject* source, KvMultiObject* multi, KvObservedObject* single, const KvMapper* mapper);
    KvJoinAction(const KvJoinAction& o);
    void process(KvObject* target) override;
    KvString getClassName() override { return "JoinAction"; }
    KvMultiObject* getMulti() { return multi_.get(); }
    KvObservedObject* getSingle() { return single_.get(); }

protected:
    ~KvJoinAction() override;

private:
    KvRefPtr<KvMultiObject> multi_;
    Hold single_;  // kept alive as the source is
};
