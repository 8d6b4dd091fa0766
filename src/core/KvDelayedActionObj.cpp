#include <KvDelayedActionObj.h>

#include <KvDelayedFunction.h>

KV_TYPE_SOURCE(KvDelayedActionObj, "DelayedActionObj", KvRefObject)

KvDelayedActionObj::KvDelayedActionObj(KvDelayedFunction* function) : function_(function) {}

KvDelayedActionObj::~KvDelayedActionObj() = default;

void KvDelayedActionObj::handleUpdateAction(KvUpdateAction*) {
    if (function_) function_->execute();
}
