#include <KvCloneDestroyLater.h>

#include <KvTSObject.h>

KvCloneDestroyLater::KvCloneDestroyLater(KvTSObject* obj) : object_(obj) {}

KvCloneDestroyLater::~KvCloneDestroyLater() = default;

void KvCloneDestroyLater::execute() {
    if (object_) object_->destroy();
    object_ = nullptr;
}
