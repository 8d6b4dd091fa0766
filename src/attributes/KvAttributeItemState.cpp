#include <KvAttributeItemState.h>

#include <KvAttributeItem.h>

KvAttributeItemState::KvAttributeItemState(const KvAttributeItem& item)
    : KvUndoState(item.getTypeId()), modTime_(item.getModificationTime()) {}

KvAttributeItemState::~KvAttributeItemState() = default;

void KvAttributeItemState::restoreObject(KvUndoObject* obj) const {
    if (KvAttributeItem* item = KvAttributeItem::cast(obj)) getAttributeItemData(*item);
}

void KvAttributeItemState::getAttributeItemData(KvAttributeItem& item) const { item.modTime_ = modTime_; }

bool KvAttributeItemState::isAttributeItemStateSame(const KvUndoState* other) const { return other != nullptr; }
