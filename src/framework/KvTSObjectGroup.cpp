#include <KvTSObjectGroup.h>

#include <KvAttributeAction.h>
#include <KvConstAttributedObjectArray1.h>
#include <KvCosmeticAction.h>
#include <KvDataStore.h>
#include <KvExcept.h>
#include <KvFrameworkBase.h>
#include <KvGroupAlert.h>
#include <KvGroupMembershipAction.h>
#include <KvGroupMembershipMonitor.h>
#include <KvJoinAction.h>
#include <KvMultiObject.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvTSObjectGroupState.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>
#include <KvVisibilityAttribute.h>

#include <QSet>

#include <utility>

KV_TYPE_SOURCE(KvTSObjectGroup, "TSObjectGroup", KvFrameworkEntity)

namespace {

// "TypeId" holds a type's description, its name followed by its ancestors'.
KvTypeId typeFromText(const KvString& text) {
    const std::string& s = text.str();
    KvTypeId type = KvTypeId::lookup(text);
    if (!type.isValid()) type = KvTypeId::lookup(KvString(s.substr(0, s.find(" < "))));
    return type;
}

// Entities come from a store with no owner; those the group did not take
// would never be released.
void releaseUnclaimed(const kv::vector<KvGenre*>& read) {
    QSet<KvRefObject*> seen;
    for (KvGenre* g : read) {
        KvRefObject* obj = KvRefObject::cast(g);
        if (!obj || obj->getRefCount() != 0 || seen.contains(obj)) continue;
        seen.insert(obj);
        KvRefPtr<KvRefObject> drop(obj);
    }
}

}  // namespace

// --------------------------------------------------------------- life

KvTSObjectGroup::KvTSObjectGroup() { sendAlert(true, this); }

KvTSObjectGroup::KvTSObjectGroup(const KvTypeId& type) : allowedType_(type) { sendAlert(true, this); }

KvTSObjectGroup::KvTSObjectGroup(const KvTSObjectGroup& other)
    : KvFrameworkEntity(other), allowedType_(other.allowedType_), enabledValid_(false) {
    for (KvFrameworkEntity* e : other.objects_)
        append(e);
    sendAlert(true, this);
}

KvTSObjectGroup::KvTSObjectGroup(const KvDataStore& store) : KvFrameworkEntity(store), enabledValid_(false) {
    KvString type;
    if (store.hasKey("TypeId") && store.readString("TypeId", type)) allowedType_ = typeFromText(type);
    // Older files keep the members in the group's own record.
    if (store.getVersion() < 71 && store.hasKey("Objects")) {
        kv::vector<KvGenre*> read;
        try {
            if (store.readReferenceArray("Objects", read)) {
                for (KvGenre* g : read) {
                    KvFrameworkEntity* e = KvFrameworkEntity::cast(g);
                    if (!e) {
                        store.reportError("Expected a pointer to a framework entity object");
                        break;
                    }
                    if (!contains(e)) append(e);
                }
            }
        } catch (...) {
            store.reportError("Invalid entity read for group");
        }
        releaseUnclaimed(read);
    }
    sendAlert(true, this);
}

KvTSObjectGroup::KvTSObjectGroup(KvAttributedObjectUndoBridge* bridge, const KvTSObjectGroupState& state)
    : KvFrameworkEntity(bridge, state), enabledValid_(false) {
    restore(state);
    sendAlert(true, this);
}

KvTSObjectGroup::~KvTSObjectGroup() {
    clearMembers();
    sendAlert(false, this);
    KvLinkedList<KvGroupMembershipMonitor*> monitors;
    monitors.swap(membershipMonitors_);
    for (auto* n = monitors.first(); n; n = n->next) {
        n->value->setGroup(nullptr);
        n->value->unref();
    }
}

KvTSObjectGroup& KvTSObjectGroup::operator=(const KvFrameworkEntityArray1& list) {
    // The list may be our own.
    const KvFrameworkEntityArray1 wanted = list;
    clearMembers();
    for (KvFrameworkEntity* e : wanted) {
        if (!e || contains(e)) continue;
        // What was appended before stays, observed, so that its deletion
        // still reaches the group.
        if (!e->isOfType(allowedType_)) throw KvExcept("Invalid entity type for group");
        append(e);
    }
    notifyArrayChanged(KvActionObject(this));
    return *this;
}

KvTSObjectGroup& KvTSObjectGroup::operator=(const KvTSObjectGroup& other) {
    if (this == &other) return *this;
    allowedType_ = other.allowedType_;
    return *this = other.objects_.toArray();
}

// --------------------------------------------------------------- members

void KvTSObjectGroup::append(KvFrameworkEntity* e) {
    objects_.push_back(e);
    e->addObserver(this);
}

void KvTSObjectGroup::erase(size_t index) {
    // The list's reference keeps the entity alive until it is unobserved.
    objects_[index]->removeObserver(this);
    objects_.removeAt(index);
}

void KvTSObjectGroup::clearMembers() {
    KvTSObjectGroupMembers old;
    old.swap(objects_);
    for (KvFrameworkEntity* e : old)
        e->removeObserver(this);
}

bool KvTSObjectGroup::isMember(const KvObservedObject* source) const { return objects_.contains(source); }

long long KvTSObjectGroup::find(const KvFrameworkEntity* e) const {
    if (!contains(e)) return -1;
    return static_cast<long long>(objects_.indexOf(e));
}

KvFrameworkEntity* KvTSObjectGroup::getObject(size_t index) const {
    if (index >= objects_.size()) throw KvExcept("Invalid index for group");
    return objects_[index];
}

bool KvTSObjectGroup::addObject(KvFrameworkEntity* e) {
    if (!allowedType_.isValid()) throw KvExcept("Group type not set");
    if (!e->isOfType(allowedType_)) throw KvExcept("Invalid entity type for group");
    if (contains(e)) return false;
    append(e);
    notifyArrayChanged(KvActionObject(this));
    return true;
}

bool KvTSObjectGroup::addObjectList(const KvFrameworkEntityArray1& list) {
    if (!allowedType_.isValid()) throw KvExcept("Group type not set");
    for (KvFrameworkEntity* e : list)
        if (!e->isOfType(allowedType_)) throw KvExcept("Invalid entity type for group");
    bool added = false;
    for (KvFrameworkEntity* e : list) {
        if (contains(e)) continue;
        append(e);
        added = true;
    }
    if (added) notifyArrayChanged(KvActionObject(this));
    return added;
}

bool KvTSObjectGroup::removeObject(KvFrameworkEntity* e) {
    if (!e || !contains(e)) return false;
    erase(objects_.indexOf(e));
    notifyArrayChanged(KvActionObject(this));
    return true;
}

void KvTSObjectGroup::removeObject(size_t index) {
    if (index >= objects_.size()) throw KvExcept::boundsError("KvTSObjectGroup::remove");
    erase(index);
    notifyArrayChanged(KvActionObject(this));
}

bool KvTSObjectGroup::removeObjectList(const KvFrameworkEntityArray1& list) {
    bool removed = false;
    for (KvFrameworkEntity* e : list) {
        if (!e || !contains(e)) continue;
        erase(objects_.indexOf(e));
        removed = true;
    }
    if (removed) notifyArrayChanged(KvActionObject(this));
    return removed;
}

void KvTSObjectGroup::removeAll() {
    if (objects_.empty()) return;
    clearMembers();
    notifyArrayChanged(KvActionObject(this));
}

void KvTSObjectGroup::setAllowedType(const KvTypeId& type) {
    const KvTypeId old = allowedType_;
    allowedType_ = type;
    if (type.isValid()) {
        if (type == old) return;
        const KvFrameworkEntityArray1 members = objects_.toArray();
        for (KvFrameworkEntity* e : members)
            if (!e->isOfType(type)) removeObject(e);
        notifyArrayChanged(KvActionObject(this));
        return;
    }
    if (objects_.empty()) return;
    clearMembers();
    notifyArrayChanged(KvActionObject(this));
}

void KvTSObjectGroup::notifyArrayChanged(KvActionObject cause) {
    // Emptied by what happened to its members, the group goes.
    if (!cause.isEqual(this) && objects_.empty()) {
        destroy();
        return;
    }
    if (KvUndo::isRestoring()) return;
    dropEnabled();
    updateObservers(KvActionObject());
    broadcastMembershipChange();
}

// --------------------------------------------------------------- monitors and alerts

void KvTSObjectGroup::addMembershipMonitor(KvGroupMembershipMonitor* monitor) {
    if (!monitor) return;
    for (auto* n = membershipMonitors_.first(); n; n = n->next)
        if (n->value == monitor) return;
    monitor->ref();
    membershipMonitors_.append(monitor);
    monitor->setGroup(this);
}

void KvTSObjectGroup::removeMembershipMonitor(KvGroupMembershipMonitor* monitor) {
    if (!monitor) return;
    for (auto* n = membershipMonitors_.first(); n; n = n->next) {
        if (n->value != monitor) continue;
        membershipMonitors_.remove(n);
        if (monitor->getGroup() == this) monitor->setGroup(nullptr);
        monitor->unref();
        return;
    }
}

void KvTSObjectGroup::broadcastMembershipChange() const {
    if (membershipMonitors_.isEmpty()) return;
    for (auto* n = membershipMonitors_.first(); n; n = n->next)
        KvActionQueue::add(new KvGroupMembershipAction(n->value));
    KvActionQueue::process();
}

void KvTSObjectGroup::addAlert(KvGroupAlert* alert) {
    if (!alert) return;
    KvGroupAlert** link = &KvGroupAlert::firstAlert_;
    for (; *link; link = &(*link)->next)
        if (*link == alert) return;
    alert->next = nullptr;
    *link = alert;
}

void KvTSObjectGroup::removeAlert(KvGroupAlert* alert) {
    for (KvGroupAlert** link = &KvGroupAlert::firstAlert_; *link; link = &(*link)->next) {
        if (*link != alert) continue;
        *link = alert->next;
        alert->next = nullptr;
        return;
    }
}

void KvTSObjectGroup::sendAlert(bool created, KvTSObjectGroup* group) const {
    for (KvGroupAlert* alert = KvGroupAlert::firstAlert_; alert;) {
        // An alert may leave the list when it is told.
        KvGroupAlert* next = alert->next;
        alert->groupAlert(!created, group);
        alert = next;
    }
}

// --------------------------------------------------------------- actions

void KvTSObjectGroup::handleReplaceAction(KvReplaceAction* action) {
    KvObservedObject* source = action->getSource();
    if (!isMember(source)) {
        KvFrameworkEntity::handleReplaceAction(action);
        return;
    }
    KvFrameworkEntity* old = static_cast<KvFrameworkEntity*>(source);
    KvFrameworkEntity* replacement = KvFrameworkEntity::cast(action->getReplacement());
    const size_t at = objects_.indexOf(old);
    if (replacement && !contains(replacement)) {
        old->removeObserver(this);
        objects_.replace(at, replacement);
        replacement->addObserver(this);
    } else {
        erase(at);
    }
    notifyArrayChanged(KvActionObject(source));
}

void KvTSObjectGroup::handleSplitAction(KvSplitAction* action) {
    KvObservedObject* source = action->getSource();
    if (!isMember(source)) {
        KvFrameworkEntity::handleSplitAction(action);
        return;
    }
    // Held until the group is told, so the cause stays a live object.
    KvRefPtr<KvFrameworkEntity> split(static_cast<KvFrameworkEntity*>(source));
    erase(objects_.indexOf(split.get()));
    if (KvMultiObject* multi = action->getMulti()) {
        for (size_t i = 0; i < multi->getNumObjects(); ++i) {
            KvFrameworkEntity* part = KvFrameworkEntity::cast(multi->getObject(i));
            if (part && !contains(part)) append(part);
        }
    }
    notifyArrayChanged(KvActionObject(source));
}

void KvTSObjectGroup::handleJoinAction(KvJoinAction* action) {
    if (!isMember(action->getSource())) {
        KvFrameworkEntity::handleJoinAction(action);
        return;
    }
    const size_t before = objects_.size();
    if (KvMultiObject* multi = action->getMulti()) {
        for (size_t i = 0; i < multi->getNumObjects(); ++i) {
            KvFrameworkEntity* part = KvFrameworkEntity::cast(multi->getObject(i));
            if (part && contains(part)) erase(objects_.indexOf(part));
        }
    }
    KvFrameworkEntity* single = KvFrameworkEntity::cast(action->getSingle());
    if (objects_.size() < before && single && !contains(single)) {
        append(single);
        notifyArrayChanged(KvActionObject(single));
    }
}

void KvTSObjectGroup::handleUpdateAction(KvUpdateAction* action) {
    if (isMember(action->getSource())) return;
    KvFrameworkEntity::handleUpdateAction(action);
}

void KvTSObjectGroup::handlePurgeAction(KvPurgeAction* action) {
    KvObservedObject* source = action->getSource();
    if (!isMember(source)) {
        KvFrameworkEntity::handlePurgeAction(action);
        return;
    }
    removeObject(static_cast<KvFrameworkEntity*>(source));
    notifyArrayChanged(KvActionObject(source));
}

void KvTSObjectGroup::handleAttributeAction(KvAttributeAction* action) {
    if (!isMember(action->getSource())) return;
    const KvAttributeItem* attribute = action->getAttribute();
    if (!attribute || attribute->getTypeId() != KvVisibilityAttribute::getClassTypeId()) return;
    enabledValid_ = false;
    sendCosmeticUpdate(KvActionObject(this));
}

void KvTSObjectGroup::handleCosmeticAction(KvCosmeticAction* action) {
    if (action->getSource() == this) {
        KvFrameworkEntity::handleCosmeticAction(action);
        return;
    }
    dropEnabled();
}

// --------------------------------------------------------------- visibility

void KvTSObjectGroup::dropEnabled() const {
    if (!enabledValid_) return;
    enabledValid_ = false;
    const_cast<KvTSObjectGroup*>(this)->sendCosmeticUpdate(KvActionObject(this));
}

bool KvTSObjectGroup::getVisibilityAtts(size_t& layer, bool& enabled, KvLayerMask& enabledMask,
                                        KvLayerMask& disabledMask) const {
    if (!enabledValid_) rebuildLayerMask();
    if (!KvFrameworkEntity::getVisibilityAtts(layer, enabled, enabledMask, disabledMask)) return false;
    if (!enabledValid_) {
        bool anyEnabled = false;
        for (const KvFrameworkEntity* e : objects_) {
            bool flag = false;
            if (e->getEnabled(flag) && flag) {
                anyEnabled = true;
                break;
            }
        }
        if (anyEnabled != enabled) {
            const_cast<KvTSObjectGroup*>(this)->setEnabled(anyEnabled);
            enabled = anyEnabled;
        }
        enabledValid_ = true;
    }
    // The group's own layer is its members': it adds no bit of its own.
    if (layer < size_t(KvLayerMask::kNumLayers)) {
        enabledMask.clearBit(int(layer));
        disabledMask.clearBit(int(layer));
    }
    return true;
}

bool KvTSObjectGroup::getEnabled(bool& enabled) const {
    size_t layer = 0;
    KvLayerMask enabledMask, disabledMask;
    return getVisibilityAtts(layer, enabled, enabledMask, disabledMask);
}

void KvTSObjectGroup::getVisibilitySupportEntities(KvConstAttributedObjectArray1& out) const {
    out = KvConstAttributedObjectArray1(objects_.toArray());
}

void KvTSObjectGroup::resetCachedValues() { dropEnabled(); }

void KvTSObjectGroup::prepareToSaveUndoState() const {
    bool enabled = false;
    getEnabled(enabled);
}

// --------------------------------------------------------------- undo

KvUndoState* KvTSObjectGroup::getUndoState() const { return new KvTSObjectGroupState(*this); }

void KvTSObjectGroup::restore(const KvTSObjectGroupState& state) {
    allowedType_ = state.getAllowedType();
    framework_ = nullptr;
    // The old members stay held until the new list is in place: an entity in
    // both must not reach a count of zero in between.
    KvTSObjectGroupMembers old;
    old.swap(objects_);
    for (KvFrameworkEntity* e : old)
        e->removeObserver(this);
    for (const KvUndoReference& ref : state.getMembers()) {
        KvFrameworkEntity* e = KvFrameworkEntity::cast(KvAttributedObject::dereference(ref));
        if (e && !contains(e)) append(e);
    }
    broadcastMembershipChange();
}

// --------------------------------------------------------------- persistence

void KvTSObjectGroup::save(KvDataStore& store) const {
    KvFrameworkEntity::save(store);
    store.writeString("TypeId", allowedType_.describe());
}

void KvTSObjectGroup::saveMembers(const KvString& key, KvDataStore& store) const {
    kv::vector<const KvGenre*> members;
    members.reserve(objects_.size());
    for (const KvFrameworkEntity* e : objects_)
        members.push_back(e);
    store.writeReferenceArray(key, members);
}

void KvTSObjectGroup::loadMembers(const KvString& key, const KvDataStore& store) {
    kv::vector<KvGenre*> read;
    if (!store.readReferenceArray(key, read, true)) return;
    KvFrameworkEntityArray1 found;
    for (KvGenre* g : read) {
        if (!g) continue;
        KvFrameworkEntity* e = KvFrameworkEntity::cast(g);
        if (!e || !e->isOfType(allowedType_)) {
            store.reportError("Invalid entity type for group");
            break;
        }
        found.push_back(e);
    }
    if (!found.empty()) addObjectList(found);
    releaseUnclaimed(read);
}

// --------------------------------------------------------------- framework and cloning

void KvTSObjectGroup::setFramework(KvFrameworkBase* framework) {
    if (framework == framework_) return;
    framework_ = framework;
    updateUndo();
    sendCosmeticUpdate(KvActionObject());
}

KvTSObject* KvTSObjectGroup::getClone(KvCloneMapper&) { return new KvTSObjectGroup(*this); }

const KvTSObject* KvTSObjectGroup::getClone(KvCloneMapper&) const { return new KvTSObjectGroup(*this); }
