#include <KvFrameworkEntityInstanceState.h>

#include <KvFrameworkEntityInstance.h>

KvFrameworkEntityInstanceState::KvFrameworkEntityInstanceState(const KvFrameworkEntityInstance& instance)
    : KvUndoRefObjectState(instance),
      outdated_(instance.outdated_),
      notch_(instance.notch_),
      xform_(instance.xform_),
      frameworks_(instance.path_.createState()),
      uuid_(instance.uuid_) {
    if (instance.entity_) entity_ = instance.entity_->reference();
}

KvFrameworkEntityInstanceState::~KvFrameworkEntityInstanceState() = default;

KvUndoObject* KvFrameworkEntityInstanceState::recreateObject() const { return new KvFrameworkEntityInstance(*this); }

void KvFrameworkEntityInstanceState::restoreObject(KvUndoObject* obj) const {
    if (KvFrameworkEntityInstance* instance = KvFrameworkEntityInstance::cast(obj)) instance->restoreFrom(*this);
}

bool KvFrameworkEntityInstanceState::isSame(const KvUndoState* other) const {
    auto* o = dynamic_cast<const KvFrameworkEntityInstanceState*>(other);
    return o && o->outdated_ == outdated_ && o->entity_ == entity_ && o->notch_ == notch_ && o->xform_ == xform_ &&
           KvUndoReference::equal(o->frameworks_, frameworks_) && o->uuid_ == uuid_;
}
