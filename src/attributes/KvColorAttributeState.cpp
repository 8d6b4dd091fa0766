#include <KvColorAttributeState.h>

#include <KvColorAttribute.h>

KvColorAttributeState::KvColorAttributeState(const KvColorAttribute& item)
    : KvAttributeItemState(item), value_(item.getRGBA()) {}

KvColorAttributeState::~KvColorAttributeState() = default;

KvUndoObject* KvColorAttributeState::recreateObject() const { return new KvColorAttribute(*this); }

void KvColorAttributeState::restoreObject(KvUndoObject* obj) const {
    KvColorAttribute* item = KvColorAttribute::cast(obj);
    if (!item) return;
    item->color_ = value_;
    KvAttributeItemState::restoreObject(obj);
}

bool KvColorAttributeState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvColorAttributeState*>(other);
    return o && isAttributeItemStateSame(other) && o->value_ == value_;
}
