#include <KvDelayedActionObj.h>

#include <KvDelayedFunction.h>

KV_TYPE_SOURCE(KvDelayedActionObj, "DelayedActionObj", KvRefObject)

KvDelayedActionObj::KvDelayedActionObj(KvDelayedFunction* function) : function_(function) {
    if (function_) function_->ref();
}

KvDelayedActionObj::~KvDelayedActionObj() {
    if (function_) function_->unref();
}

void KvDelayedActionObj::handleUpdateAction(KvUpdateAction*) {
    if (function_) function_->execute();
}
