#include <KvRefObjectManager.h>

#include <KvDataStore.h>
#include <KvJoinAction.h>
#include <KvObserverIterator.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvRefObjectAlert.h>
#include <KvRefObjectArray1.h>
#include <KvRefObjectManagerState.h>
#include <KvRefPtr.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

#include <algorithm>

KV_TYPE_SOURCE(KvRefObjectManager, "RefObjectManager", KvUndoObject)

KvRefObjectAlert::~KvRefObjectAlert() = default;

namespace {

// "base-12" -> base, 12; anything else is its own base with number 0.
void splitName(const KvString& name, KvString& base, size_t& number) {
    const std::vector<KvString> tokens = name.tokenize("-", true, true);
    unsigned long long n = 0;
    if (tokens.size() == 2 && tokens[1].getUint64(n)) {
        base = tokens[0];
        number = static_cast<size_t>(n);
        return;
    }
    base = name;
    number = 0;
}

}  // namespace

KvRefObjectManager::KvRefObjectManager() = default;

KvRefObjectManager::KvRefObjectManager(const KvRefObjectManagerState& state) : KvUndoObject(state) {}

KvRefObjectManager::~KvRefObjectManager() { releaseAll(); }

void KvRefObjectManager::releaseAll() {
    std::vector<Entry> old;
    old.swap(entries_);
    indexedAs_.clear();
    nameCount_.clear();
    numbers_.clear();
    for (const Entry& e : old) {
        if (!e.object) continue;
        e.object->removeObserver(this);
        e.object->unref();
    }
}

KvString KvRefObjectManager::getObjectBaseName() { return "object"; }

// ------------------------------------------------------------ name index

void KvRefObjectManager::indexObject(KvRefObject* obj) {
    unindexObject(obj);
    const KvString name = getName(obj);
    indexedAs_[obj] = name;
    ++nameCount_[name];
    KvString base;
    size_t number;
    splitName(name, base, number);
    ++numbers_[base][number];
}

void KvRefObjectManager::unindexObject(KvRefObject* obj) {
    auto it = indexedAs_.find(obj);
    if (it == indexedAs_.end()) return;
    const KvString name = it->second;
    indexedAs_.erase(it);
    auto count = nameCount_.find(name);
    if (count != nameCount_.end() && --count->second == 0) nameCount_.erase(count);
    KvString base;
    size_t number;
    splitName(name, base, number);
    auto numbers = numbers_.find(base);
    if (numbers == numbers_.end()) return;
    auto n = numbers->second.find(number);
    if (n != numbers->second.end() && --n->second == 0) numbers->second.erase(n);
    if (numbers->second.empty()) numbers_.erase(numbers);
}

bool KvRefObjectManager::hasName(const KvString& name) const { return nameCount_.count(name) != 0; }

void KvRefObjectManager::objectRenamed(KvRefObject* obj) {
    if (!obj) return;
    KvObserverIterator it(obj);
    for (it.first(); !it.isDone(); it.next())
        if (KvRefObjectManager* m = KvRefObjectManager::cast(it.getCurrent()))
            if (m->indexedAs_.count(obj)) m->indexObject(obj);
}

KvString KvRefObjectManager::getUniqueObjectName(const KvString& wanted) {
    KvString name = wanted;
    if (name.isEmpty())
        name = getObjectBaseName() + "-" + KvString::number(static_cast<unsigned long long>(entries_.size() + 1));
    if (!hasName(name)) return name;
    KvString base;
    size_t number;
    splitName(name, base, number);
    size_t largest = 0;
    auto numbers = numbers_.find(base);
    if (numbers != numbers_.end() && !numbers->second.empty()) largest = numbers->second.rbegin()->first;
    return base + "-" + KvString::number(static_cast<unsigned long long>(largest + 1));
}

// ------------------------------------------------------------ objects

KvRefObject* KvRefObjectManager::createObject(const KvString& name) {
    KvRefObject* obj = newObject(nullptr);
    if (!obj) return nullptr;
    // Held while it is named and filed, so a refusal does not leak it.
    KvRefPtr<KvRefObject> hold(obj);
    doSetObjectName(obj, getUniqueObjectName(name));
    addObject(obj);
    updateObservers(KvActionObject());
    sendAlerts(obj);
    return obj;
}

void KvRefObjectManager::addObject(KvRefObject* obj) {
    if (!obj || hasName(getName(obj))) return;
    ++nextId_;
    doSetObjectId(obj, nextId_);
    obj->ref();
    obj->addObserver(this);
    entries_.push_back({getId(obj), obj});
    indexObject(obj);
}

void KvRefObjectManager::addEntry(size_t id, KvRefObject* obj) {
    if (!obj) return;
    doSetObjectId(obj, id);
    obj->ref();
    obj->addObserver(this);
    entries_.push_back({getId(obj), obj});
    indexObject(obj);
}

KvRefObjectManager::Entry* KvRefObjectManager::findById(size_t id) {
    // Identifiers ascend along the list: the first one not below `id` decides.
    auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                               [](const Entry& e, size_t wanted) { return e.id < wanted; });
    return it != entries_.end() && it->id == id ? &*it : nullptr;
}

KvRefObjectManager::Entry* KvRefObjectManager::findEntry(const KvRefObject* obj) {
    for (Entry& e : entries_)
        if (e.object == obj) return &e;
    return nullptr;
}

bool KvRefObjectManager::deleteObject(KvRefObject* obj) {
    Entry* entry = obj ? findEntry(obj) : nullptr;
    if (!entry) return false;
    entry->object = nullptr;
    unindexObject(obj);
    // An object held by several managers stays observed by the others.
    obj->removeObserver(this);
    obj->unrefKeep();
    obj->destroy();
    updateObservers(KvActionObject());
    return true;
}

void KvRefObjectManager::deleteObjects() {
    // Taken out first: destroying an object runs its observers' code.
    std::vector<Entry> entries;
    entries.swap(entries_);
    indexedAs_.clear();
    nameCount_.clear();
    numbers_.clear();
    for (const Entry& e : entries) {
        if (!e.object) continue;
        e.object->removeObserver(this);
        e.object->unrefKeep();
        e.object->destroy();
    }
    nextId_ = 1;
    updateObservers(KvActionObject());
}

KvRefObject* KvRefObjectManager::getObjectById(size_t id) const {
    const Entry* entry = const_cast<KvRefObjectManager*>(this)->findById(id);
    return entry ? entry->object : nullptr;
}

KvRefObject* KvRefObjectManager::getObjectByName(const KvString& name) const {
    if (!hasName(name)) return nullptr;
    auto* self = const_cast<KvRefObjectManager*>(this);
    for (const Entry& e : entries_)
        if (e.object && self->getName(e.object) == name) return e.object;
    return nullptr;
}

void KvRefObjectManager::getObjectNames(kv::vector<KvString>& out) const {
    out.clear();
    auto* self = const_cast<KvRefObjectManager*>(this);
    for (const Entry& e : entries_)
        if (e.object) out.push_back(self->getName(e.object));
}

void KvRefObjectManager::getObjects(KvRefObjectArray1& out) const {
    out.clear();
    for (const Entry& e : entries_)
        if (e.object) out.push_back(e.object);
}

bool KvRefObjectManager::setName(KvRefObject* obj, const KvString& name) const {
    auto* self = const_cast<KvRefObjectManager*>(this);
    if (!obj || !self->findEntry(obj)) return false;
    for (const Entry& e : entries_)
        if (e.object && e.object != obj && self->getName(e.object) == name) return false;
    const bool done = doSetObjectName(obj, name);
    self->indexObject(obj);
    return done;
}

// ------------------------------------------------------------ alerts

void KvRefObjectManager::addAlert(KvRefObjectAlert* alert) {
    if (!alert || alerts_.contains(alert)) return;
    alerts_.push_back(alert);
    const std::vector<Entry> entries = entries_;
    for (const Entry& e : entries)
        if (e.object) alert->objectAdded(e.object);
}

void KvRefObjectManager::removeAlert(KvRefObjectAlert* alert) { alerts_.eraseAll(alert); }

void KvRefObjectManager::sendAlerts(KvRefObject* obj) {
    if (!obj) return;
    const kv::vector<KvRefObjectAlert*> alerts = alerts_;
    for (KvRefObjectAlert* a : alerts)
        a->objectAdded(obj);
}

// ------------------------------------------------------------ merge

bool KvRefObjectManager::merge(KvRefObjectManager* other, MergeStyle style) {
    if (!other || other == this) return false;
    nextId_ = other->nextId_;
    mergeObjects(other, style);
    updateObservers(KvActionObject());
    return true;
}

void KvRefObjectManager::mergeObjects(KvRefObjectManager* other, MergeStyle style) {
    if (style == MergeNone) return;
    const std::vector<Entry> theirEntries = other->entries_;
    for (const Entry& pair : theirEntries) {
        KvRefObject* theirs = pair.object;
        if (theirs) theirs->removeObserver(other);
        const Entry* found = findById(pair.id);
        KvRefObject* mine = found ? found->object : nullptr;
        if (mine && !theirs) {
            deleteObject(mine);
            continue;
        }
        if (mine && style == MergeReplace && !isSameObject(mine, theirs)) {
            doSetObject(mine, theirs);
            indexObject(mine);
            theirs->replace(mine, nullptr);
            other->deleteObject(theirs);
            continue;
        }
        if (mine && isSameObject(mine, theirs)) {
            const KvString theirName = getName(theirs);
            if (getName(mine) != theirName) {
                unindexObject(mine);
                doSetObjectName(mine, getUniqueObjectName(theirName));
                indexObject(mine);
            }
            theirs->replace(mine, nullptr);
            other->deleteObject(theirs);
            continue;
        }
        if (!theirs) continue;
        doSetObjectName(theirs, getUniqueObjectName(getName(theirs)));
        ++nextId_;
        doSetObjectId(theirs, nextId_);
        theirs->ref();
        theirs->addObserver(this);
        entries_.push_back({getId(theirs), theirs});
        indexObject(theirs);
    }
    // What `other` still holds (objects now here) it lets go without
    // destroying: their references moved here or were dropped above.
    const std::vector<Entry> rest = other->entries_;
    other->entries_.clear();
    other->indexedAs_.clear();
    other->nameCount_.clear();
    other->numbers_.clear();
    for (const Entry& e : rest)
        if (e.object) e.object->unref();
}

void KvRefObjectManager::compact() {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.object; }),
                   entries_.end());
}

// ------------------------------------------------------------ store

void KvRefObjectManager::saveObjects(KvDataStore& store, const char* section, bool flag) const {
    if (entries_.empty() || !store.openSection(section)) return;
    const KvString prefix = KvString(section) + "-OBJ-";
    size_t position = 0;
    for (const Entry& e : entries_) {
        ++position;
        if (!e.object) continue;
        store.writeEntity(prefix + KvString::number(static_cast<unsigned long long>(position)), e.object, flag);
    }
    store.closeSection();
}

void KvRefObjectManager::loadObjects(const KvDataStore& store, const char* section, bool flag) {
    if (!store.hasKey(section) || !store.enterSection(section)) return;
    const kv::vector<KvString> keys = store.listKeys();
    for (const KvString& key : keys) {
        if (store.hasFailed()) break;
        KvGenre* entity = nullptr;
        store.readEntity(key, entity, flag);
        KvRefObject* loaded = KvRefObject::cast(entity);
        if (!loaded) {
            store.reportError("Expected a ref object");
            break;
        }
        // Held while filed: an object that is not taken goes away.
        KvRefPtr<KvRefObject> hold(loaded);
        if (KvRefObject* existing = getObjectByName(key))
            doSetObject(existing, loaded);
        else
            addObject(loaded);
    }
    store.closeSection();
}

// ------------------------------------------------------------ actions

void KvRefObjectManager::handleUpdateAction(KvUpdateAction* action) {
    KvRefObject* source = action ? KvRefObject::cast(action->getSource()) : nullptr;
    if (!source) {
        handleBadAction(action);
        return;
    }
    if (indexedAs_.count(source)) indexObject(source);
    updateObservers(KvActionObject());
}

void KvRefObjectManager::handlePurgeAction(KvPurgeAction* action) {
    KvRefObject* source = action ? KvRefObject::cast(action->getSource()) : nullptr;
    if (!source) {
        handleBadAction(action);
        return;
    }
    for (Entry& e : entries_) {
        if (e.object != source) continue;
        e.object = nullptr;
        unindexObject(source);
        source->removeObserver(this);
        source->unref();
    }
}

void KvRefObjectManager::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }
void KvRefObjectManager::handleReplaceAction(KvReplaceAction* action) { handleBadAction(action); }
void KvRefObjectManager::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }

// ------------------------------------------------------------ undo

void KvRefObjectManager::getRefObjectManagerData(const KvRefObjectManagerState& state) {
    nextId_ = state.getNextId();
    std::vector<Entry> old;
    old.swap(entries_);
    indexedAs_.clear();
    nameCount_.clear();
    numbers_.clear();
    const kv::vector<size_t>& ids = state.getIds();
    const kv::vector<KvUndoReference>& refs = state.getReferences();
    for (size_t i = 0; i < ids.size() && i < refs.size(); ++i)
        addEntry(ids[i], dereferenceObject(refs[i]));
    // Objects held before and after keep their observation: addEntry added
    // it again (a no-op) and took a second reference, dropped here.
    for (const Entry& e : old) {
        if (!e.object) continue;
        if (!findEntry(e.object)) e.object->removeObserver(this);
        e.object->unref();
    }
}
