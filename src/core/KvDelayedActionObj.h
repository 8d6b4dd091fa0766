#pragma once

#include <KvRefObject.h>
#include <KvRefPtr.h>

class KvDelayedFunction;

// Carries a delayed function through the action queue: the queue delivers an
// update action to this object, which runs the function.
class KV_BASE_EXPORT KvDelayedActionObj : public KvRefObject {
    KV_TYPE_HEADER(KvDelayedActionObj)
public:
    explicit KvDelayedActionObj(KvDelayedFunction* function);
    ~KvDelayedActionObj() override;

    void handleUpdateAction(KvUpdateAction* action) override;
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

private:
    KvRefPtr<KvDelayedFunction> function_;
};
