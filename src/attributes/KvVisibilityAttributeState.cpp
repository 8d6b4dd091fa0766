#include <KvVisibilityAttributeState.h>

#include <KvVisibilityAttribute.h>

KvVisibilityAttributeState::KvVisibilityAttributeState(const KvVisibilityAttribute& attribute)
    : KvAttributeItemState(attribute),
      enabled_(attribute.getEnabled()),
      layer_(attribute.getLayer()),
      enabledMask_(attribute.getEnabledMask()),
      disabledMask_(attribute.getDisabledMask()) {}

KvVisibilityAttributeState::~KvVisibilityAttributeState() = default;

KvUndoObject* KvVisibilityAttributeState::recreateObject() const { return new KvVisibilityAttribute(*this); }

void KvVisibilityAttributeState::restoreObject(KvUndoObject* obj) const {
    KvVisibilityAttribute* attribute = KvVisibilityAttribute::cast(obj);
    if (!attribute) return;
    KvAttributeItemState::restoreObject(obj);
    attribute->applyState(*this, attribute->getLayer());
}

bool KvVisibilityAttributeState::isSame(const KvUndoState* other) const {
    auto* o = dynamic_cast<const KvVisibilityAttributeState*>(other);
    return o && o->enabled_ == enabled_ && o->layer_ == layer_ && o->enabledMask_ == enabledMask_ &&
           o->disabledMask_ == disabledMask_;
}
