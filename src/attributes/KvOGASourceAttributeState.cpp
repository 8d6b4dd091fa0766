#include <KvOGASourceAttributeState.h>

#include <KvOGASourceAttribute.h>

KvOGASourceAttributeState::KvOGASourceAttributeState(const KvOGASourceAttribute& item)
    : KvAttributeItemState(item), value_(item.getValue()) {}

KvOGASourceAttributeState::~KvOGASourceAttributeState() = default;

KvUndoObject* KvOGASourceAttributeState::recreateObject() const { return new KvOGASourceAttribute(*this); }

void KvOGASourceAttributeState::restoreObject(KvUndoObject* obj) const {
    KvOGASourceAttribute* item = KvOGASourceAttribute::cast(obj);
    if (!item) return;
    item->value_ = value_;
    KvAttributeItemState::restoreObject(obj);
}

bool KvOGASourceAttributeState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvOGASourceAttributeState*>(other);
    return o && isAttributeItemStateSame(other) && o->value_ == value_;
}
