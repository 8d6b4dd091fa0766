#include <KvRenderAttributeState.h>

#include <KvRenderAttribute.h>

KvRenderAttributeState::KvRenderAttributeState(const KvRenderAttribute& item)
    : KvAttributeItemState(item), value_(item.getRenderSettings()) {}

KvRenderAttributeState::~KvRenderAttributeState() = default;

KvUndoObject* KvRenderAttributeState::recreateObject() const { return new KvRenderAttribute(*this); }

void KvRenderAttributeState::restoreObject(KvUndoObject* obj) const {
    KvRenderAttribute* item = KvRenderAttribute::cast(obj);
    if (!item) return;
    item->settings_ = value_;
    KvAttributeItemState::restoreObject(obj);
}

bool KvRenderAttributeState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvRenderAttributeState*>(other);
    return o && isAttributeItemStateSame(other) && o->value_ == value_;
}
