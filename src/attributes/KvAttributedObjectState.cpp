#include <KvAttributedObjectState.h>

#include <KvAttributedObject.h>
#include <KvAttributedObjectUndoBridge.h>
#include <KvUndo.h>
#include <KvVisibilityAttrMgr.h>
#include <KvVisibilityAttribute.h>

KvAttributedObjectState::KvAttributedObjectState(const KvAttributedObject& obj)
    : KvUndoState(obj.getTypeId()), modTime_(obj.getModificationTime()) {
    const KvAttributedObject::AttributeMap& items = obj.getAttributes();
    items_.reserve(static_cast<size_t>(items.size()));
    for (const auto& [type, item] : items)
        items_.push_back(KvUndo::reference(static_cast<const KvUndoObject*>(item.get())));
    auto vis = std::make_unique<Visibility>();
    size_t layer = 0;
    bool reported = obj.getName(vis->name);
    if (obj.getLayer(layer)) {
        vis->layer = layer;
        reported = true;
    }
    reported = obj.getEnabled(vis->enabled) || reported;
    reported = obj.getLayerMask(vis->enabledMask, vis->disabledMask) || reported;
    if (reported) visibility_ = std::move(vis);
}

KvAttributedObjectState::~KvAttributedObjectState() = default;

KvUndoObject* KvAttributedObjectState::recreateObject() const { return new KvAttributedObjectUndoBridge(*this); }

void KvAttributedObjectState::restoreObject(KvUndoObject* obj) const {
    if (KvAttributedObjectUndoBridge* bridge = KvAttributedObjectUndoBridge::cast(obj)) bridge->restoreState(*this);
}

void KvAttributedObjectState::postRestoreObject(KvUndoObject* obj) const {
    KvAttributedObjectUndoBridge* bridge = KvAttributedObjectUndoBridge::cast(obj);
    if (!bridge) return;
    postRestoreBridgedObject(KvAttributedObject::cast(bridge->getObject()));
}

void KvAttributedObjectState::restoreBridgedObject(KvAttributedObject* obj) const {
    if (obj) getAttributedObjectData(*obj);
}

void KvAttributedObjectState::postRestoreBridgedObject(KvAttributedObject*) const {}

void KvAttributedObjectState::getAttributedObjectData(KvAttributedObject& obj) const {
    // The old items stay alive until the new set is in place, so an item in
    // both never reaches a count of zero.
    KvAttributedObject::AttributeMap old;
    old.swap(obj.attributes_);
    for (const auto& [type, item] : old)
        item->removeObserver(&obj);
    for (const KvUndoReference& ref : items_) {
        // Items that undo cannot bring back are left out.
        if (KvAttributeItem* item = KvAttributeItem::cast(KvUndo::dereference(ref)))
            obj.insertItem(item->getTypeId(), item);
    }
    if (KvVisibilityAttrMgr* mgr = KvVisibilityAttrMgr::getActive()) {
        // The manager learns the restored object's visibility afresh.
        const KvVisibilityAttribute* vis = obj.visibilityAttribute();
        if (!vis || vis->isMaskValid())
            mgr->layerMaskSettled(&obj);
        else
            mgr->layerMaskInvalidated(&obj);
    }
    obj.modTime_ = modTime_;
}

bool KvAttributedObjectState::isPartSame(const KvAttributedObjectState* other) const {
    if (!other) return false;
    const Visibility* mine = visibility_.get();
    const Visibility* theirs = other->visibility_.get();
    if (bool(mine) != bool(theirs) || (mine && !(*mine == *theirs))) return false;
    return KvUndoReference::equal(items_, other->items_);
}
