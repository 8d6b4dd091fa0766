#include <KvUpdateLater.h>

#include <KvFrameworkEntityInstance.h>

KvUpdateLater::KvUpdateLater(KvFrameworkEntityInstance* instance) : instance_(instance) {}

KvUpdateLater::~KvUpdateLater() = default;

void KvUpdateLater::execute() {
    KvRefPtr<KvFrameworkEntityInstance> instance;
    instance.swap(instance_);
    if (instance) instance->update();
}
