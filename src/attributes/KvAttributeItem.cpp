#include <KvAttributeItem.h>

#include <KvAttributeItemState.h>
#include <KvAttributedObject.h>
#include <KvDataStore.h>
#include <KvFileClosePurger.h>
#include <KvJoinAction.h>
#include <KvObserverIterator.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvAttributeItem, "AttributeItem", KvUndoObject)

KvAttributeItem::KvAttributeItem() = default;

KvAttributeItem::KvAttributeItem(const KvAttributeItem& o) : KvUndoObject(o), modTime_(o.modTime_) {}

KvAttributeItem::KvAttributeItem(const KvAttributeItemState& state) : KvUndoObject(state) {
    state.getAttributeItemData(*this);
}

KvAttributeItem::~KvAttributeItem() = default;

void KvAttributeItem::updateObservers(KvActionObject originator) {
    modTime_ = KvTimeStamp();
    KvUndoObject::updateObservers(originator);
}

void KvAttributeItem::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }
void KvAttributeItem::handlePurgeAction(KvPurgeAction* action) { handleBadAction(action); }
void KvAttributeItem::handleReplaceAction(KvReplaceAction* action) { handleBadAction(action); }
void KvAttributeItem::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }
void KvAttributeItem::handleUpdateAction(KvUpdateAction* action) { handleBadAction(action); }

KvAttributeItem* KvAttributeItem::duplicate(KvCloneMapper&) const { return duplicate(); }

KvAttributeItem* KvAttributeItem::duplicate() const { return const_cast<KvAttributeItem*>(this); }

void KvAttributeItem::addMustClone(KvCloneMapper&) const {}

KvAttributeItem* KvAttributeItem::join(const kv::vector<const KvAttributeItem*>&) const { return duplicate(); }

void KvAttributeItem::split(size_t n, kv::vector<KvAttributeItem*>& out) const {
    out.clear();
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        out.push_back(duplicate());
}

void KvAttributeItem::copy(size_t n, kv::vector<KvAttributeItem*>& out) const { split(n, out); }

bool KvAttributeItem::shouldBeSaved() const { return true; }
bool KvAttributeItem::isMutable() const { return false; }
bool KvAttributeItem::isRegisterAttribute() const { return false; }

bool KvAttributeItem::isUnmodifiedCopy(const KvAttributeItem* other) const {
    return other && other->modTime_ == modTime_;
}

void KvAttributeItem::postAdd(KvAttributedObject*) const {}
void KvAttributeItem::postRemove(KvAttributedObject*) const {}
void KvAttributeItem::transform(const KvXformMatrix&) {}
void KvAttributeItem::removeExternalFrameworkReferences(const KvFrameworkBase*) {}

bool KvAttributeItem::isShared() const {
    if (getNumObservers() < 2) return false;
    bool ownerSeen = false;
    KvObserverIterator it(this);
    for (it.first(); !it.isDone(); it.next()) {
        if (!KvAttributedObject::cast(it.getCurrent())) continue;
        if (ownerSeen) return true;
        ownerSeen = true;
    }
    return false;
}

void KvAttributeItem::attributeChanged(KvActionObject originator) { updateObservers(originator); }

void KvAttributeItem::purgeOnFileClose(const KvDataStore& store) {
    KvFileClosePurger* purger = KvFileClosePurger::cast(store.getAttribute(KvFileClosePurger::getClassTypeId()));
    if (!purger) {
        purger = new KvFileClosePurger;
        store.addAttribute(purger);
    }
    purger->add(this);
}

void KvAttributeItem::init() {
    static bool done = false;
    if (done) return;
    done = true;
    KvFileClosePurger::initType();
}
