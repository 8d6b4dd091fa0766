#include <KvFrameworkEntityInstance.h>

#include <KvActionLock.h>
#include <KvActionQueue.h>
#include <KvConstFrameworkEntityInstanceArray1.h>
#include <KvConstFrameworkEntityInstanceSet.h>
#include <KvDataStore.h>
#include <KvFeiIOAttribute.h>
#include <KvFrameworkEntityInstanceArray1.h>
#include <KvFrameworkEntityInstanceIOHandler.h>
#include <KvFrameworkEntityInstanceSet.h>
#include <KvFrameworkEntityInstanceState.h>
#include <KvJoinAction.h>
#include <KvMultiFrameworkEntityInstance.h>
#include <KvObserverIterator.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvTypes.h>
#include <KvUndo.h>
#include <KvUndoBridge.h>
#include <KvUpdateAction.h>
#include <KvUpdateLater.h>

#include <QRandomGenerator>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

KV_TYPE_SOURCE(KvFrameworkEntityInstance, "FrameworkEntityInstance", KvUndoRefObject)

namespace {

using Instance = KvFrameworkEntityInstance;

// Every live instance, by address. Built on first use and never torn down,
// so that instances outliving the library's statics still find it.
std::set<Instance*>& registry() {
    static auto* instances = new std::set<Instance*>;
    return *instances;
}

// Hashed, not ordered: nothing walks the map, and with random keys each
// step down a tree of a hundred thousand identifiers missed the cache.
struct UuidHash {
    size_t operator()(const QUuid& u) const {
        uint64_t w[2];
        std::memcpy(w, &u, sizeof w);
        return static_cast<size_t>(w[0] ^ (w[1] * 0x9E3779B97F4A7C15ull));
    }
};
static_assert(sizeof(QUuid) == 16, "a QUuid is its 16 bytes");

std::unordered_map<QUuid, Instance*, UuidHash>& uuids() {
    static auto* map = new std::unordered_map<QUuid, Instance*, UuidHash>;
    return *map;
}

// Null first, then by entity creation order (no entity first), then by path.
bool ordered(const Instance* a, const Instance* b) {
    if (!a || !b) return !a && b;
    const KvFrameworkEntity* ea = a->getEntity();
    const KvFrameworkEntity* eb = b->getEntity();
    if (ea != eb) return !ea || (eb && *ea < *eb);
    return a->getPath() < b->getPath();
}

template <class Array, class Set>
Array orderedContents(const Set& set) {
    std::vector<const Instance*> all(set.begin(), set.end());
    std::stable_sort(all.begin(), all.end(), ordered);
    Array out;
    out.reserve(all.size());
    for (const Instance* i : all)
        out.push_back(const_cast<Instance*>(i));
    return out;
}

// A random (version 4) identifier, as QUuid::createUuid makes, from the
// securely seeded global generator: createUuid draws on the system's random
// source at each call, which took 5 microseconds a call on the development
// machine, most of the time it takes to read an instance.
QUuid randomUuid() {
    quint32 w[4];
    QRandomGenerator::global()->fillRange(w);
    return QUuid(w[0], static_cast<ushort>(w[1]), static_cast<ushort>(((w[1] >> 16) & 0x0FFF) | 0x4000),
                 static_cast<uchar>((w[2] & 0x3F) | 0x80), static_cast<uchar>(w[2] >> 8),
                 static_cast<uchar>(w[2] >> 16), static_cast<uchar>(w[2] >> 24), static_cast<uchar>(w[3]),
                 static_cast<uchar>(w[3] >> 8), static_cast<uchar>(w[3] >> 16), static_cast<uchar>(w[3] >> 24));
}

// The instances alive now; the caller holds an action lock, so none of them
// is deleted while it walks them.
std::vector<Instance*> snapshot() { return std::vector<Instance*>(registry().begin(), registry().end()); }

}  // namespace

KvFrameworkEntityInstance::KvFrameworkEntityInstance(const KvFrameworkPath& path, KvFrameworkEntity* entity)
    : path_(path) {
    // Nothing may let go of the instance while it is set up.
    ref();
    registry().insert(this);
    setEntity(entity);
    if (entity) notch_ = entity->getNotch();
    path_.addMonitor(this);
    QUuid own;
    if (entity && entity->hasUuid(own) && !own.isNull() && !map(own))
        takeUuid(own);
    else
        generateUuid();
    xform_ = path_.getTailToRootXform();
    unrefKeep();
}

KvFrameworkEntityInstance::KvFrameworkEntityInstance(const KvFrameworkEntityInstanceState& state)
    : KvUndoRefObject(state) {
    registry().insert(this);
    path_.addMonitor(this);
    restoreFrom(state);
    // A new object has nothing cached of its own: the state's is the best.
    xform_ = state.xform_;
}

KvFrameworkEntityInstance::~KvFrameworkEntityInstance() {
    registry().erase(this);
    clearUuid();
    setEntity(nullptr);
    path_.removeMonitor(this);
}

void KvFrameworkEntityInstance::preDestroy() { registry().erase(this); }

// --- the instance of a pair

KvFrameworkEntityInstance* KvFrameworkEntityInstance::find(const KvFrameworkPath& path,
                                                           const KvFrameworkEntity* entity) {
    if (!entity) return nullptr;
    KvObserverIterator it(entity);
    for (it.first(); !it.isDone(); it.next()) {
        Instance* instance = cast(it.getCurrent());
        if (instance && !instance->isDying() && instance->path_ == path) return instance;
    }
    return nullptr;
}

KvFrameworkEntityInstance* KvFrameworkEntityInstance::find(const KvFrameworkEntity* entity) {
    return entity ? find(KvFrameworkPath::getActive(), entity) : nullptr;
}

bool KvFrameworkEntityInstance::isValid(const KvFrameworkPath& path, const KvFrameworkEntity* entity) {
    if (!entity || path.isEmpty()) return false;
    const KvFrameworkBase* framework = entity->getFramework();
    return framework ? framework == path.getTail() : path == KvFrameworkPath::getActive();
}

KvFrameworkEntityInstance* KvFrameworkEntityInstance::get(const KvFrameworkPath& path, KvFrameworkEntity* entity) {
    if (!isValid(path, entity)) return nullptr;
    Instance* found = find(path, entity);
    return found ? found : new Instance(path, entity);
}

KvFrameworkEntityInstance* KvFrameworkEntityInstance::get(KvFrameworkEntity* entity) {
    return entity ? get(KvFrameworkPath::getActive(), entity) : nullptr;
}

KvFrameworkEntityInstance* KvFrameworkEntityInstance::getFirstInstance(const KvFrameworkEntity* entity) {
    if (!entity) return nullptr;
    const KvFrameworkPath active = KvFrameworkPath::getActive();
    if (active.isEmpty()) return nullptr;
    if (Instance* found = find(active, entity)) return found;
    KvObserverIterator it(entity);
    for (it.first(); !it.isDone(); it.next()) {
        Instance* instance = cast(it.getCurrent());
        if (instance && !instance->isDying()) return instance;
    }
    return nullptr;
}

KvFrameworkEntityInstanceSet KvFrameworkEntityInstance::getAll() {
    KvFrameworkEntityInstanceSet all;
    for (Instance* instance : registry())
        all.insert(instance);
    return all;
}

size_t KvFrameworkEntityInstance::getNumInstances() { return registry().size(); }

KvFrameworkEntityInstanceArray1 KvFrameworkEntityInstance::getOrderedContents(const KvFrameworkEntityInstanceSet& set) {
    return orderedContents<KvFrameworkEntityInstanceArray1>(set);
}

KvConstFrameworkEntityInstanceArray1 KvFrameworkEntityInstance::getOrderedContents(
    const KvConstFrameworkEntityInstanceSet& set) {
    return orderedContents<KvConstFrameworkEntityInstanceArray1>(set);
}

KvFrameworkEntityInstance* KvFrameworkEntityInstance::map(const QUuid& uuid) {
    auto it = uuids().find(uuid);
    return it == uuids().end() ? nullptr : it->second;
}

void KvFrameworkEntityInstance::updatePaths(const KvFrameworkPath& path) {
    if (path.isEmpty()) return;
    KvFrameworkBase* tail = path.getTail();
    KvFrameworkPath prefix(path);
    prefix.trimEnd(1);
    KvActionLock lock;
    for (Instance* instance : snapshot()) {
        if (instance->path_.getRoot() != tail) continue;
        KvFrameworkPath longer(prefix);
        if (longer.join(instance->path_)) instance->updatePath(longer);
    }
}

bool KvFrameworkEntityInstance::validateInstances(const KvFrameworkBase* root,
                                                  const KvFrameworkEntityInstanceSet& keep) {
    KvActionLock lock;
    bool unchanged = true;
    // Each change may change what the others find: start again after it.
    auto untilSettled = [&](const std::function<bool(Instance*)>& fix) {
        for (bool again = true; again;) {
            again = false;
            for (Instance* instance : snapshot()) {
                if (keep.contains(instance) || !fix(instance)) continue;
                unchanged = false;
                again = true;
                break;
            }
        }
    };
    untilSettled([root](Instance* instance) {
        const KvFrameworkPath& path = instance->path_;
        if (isValid(path, instance->getEntity()) && (!root || path.getRoot() == root)) return false;
        instance->destroy();
        return true;
    });
    untilSettled([](Instance* instance) {
        Instance* unique = find(instance->path_, instance->getEntity());
        if (!unique || unique == instance) return false;
        instance->replace(unique);
        return true;
    });
    return unchanged;
}

// --- one instance

void KvFrameworkEntityInstance::clearOutdated() {
    if (!outdated_) return;
    outdated_ = false;
    xform_ = path_.getTailToRootXform();
    notch_ = entity_ ? entity_->getNotch() : KvNotch();
    updateObservers(KvActionObject());
}

void KvFrameworkEntityInstance::setOutdated() {
    if (!outdated_) markOutdated(true);
}

void KvFrameworkEntityInstance::markOutdated(bool notifyIfAlready) {
    generateUuid();
    if (!outdated_) {
        outdated_ = true;
        updateObservers(KvActionObject());
    } else if (notifyIfAlready) {
        updateObservers(KvActionObject());
    }
}

void KvFrameworkEntityInstance::scheduleUpdate() {
    if (updatePending_) return;
    updatePending_ = true;
    KvActionQueue::run(new KvUpdateLater(this));
}

void KvFrameworkEntityInstance::update() {
    updatePending_ = false;
    const KvFrameworkBase* framework = entity_ ? entity_->getFramework() : nullptr;
    if (framework && framework != path_.getTail()) {
        // The entity moved to another framework: this pair is no more.
        destroy();
        return;
    }
    if (mergePending_ && entity_) {
        mergePending_ = false;
        KvObserverIterator it(entity_.get());
        for (it.first(); !it.isDone(); it.next()) {
            Instance* other = cast(it.getCurrent());
            if (other && other != this && !other->isDying() && other->path_ == path_) {
                outdated_ = true;
                replace(other);
                return;
            }
        }
    }
    if (entity_ && entity_->isNotchEqual(notch_) && path_.getTailToRootXform() == xform_) return;
    if (!outdated_)
        markOutdated(true);
    else
        updateObservers(KvActionObject());
}

void KvFrameworkEntityInstance::replace(KvFrameworkEntityInstance* other) {
    // A holder lets go of the instance when it hears of the replace, maybe of
    // the last reference: nobody hears of it before the instance is dying.
    KvActionLock lock;
    notifyObservers(new KvReplaceAction(this, other, nullptr), KvActionObject());
    destroy();
}

void KvFrameworkEntityInstance::updatePath(const KvFrameworkPath& path) {
    if (path == path_) return;
    path_.removeMonitor(this);
    path_ = path;
    path_.addMonitor(this);
    outdated_ = true;
    updateObservers(KvActionObject());
}

void KvFrameworkEntityInstance::setEntity(KvFrameworkEntity* entity) { entity_.set(this, entity); }

void KvFrameworkEntityInstance::takeUuid(const QUuid& uuid) {
    clearUuid();
    uuid_ = uuid;
    // A later holder of the same identifier takes the entry over.
    if (!uuid_.isNull()) uuids()[uuid_] = this;
}

void KvFrameworkEntityInstance::generateUuid() { takeUuid(randomUuid()); }

void KvFrameworkEntityInstance::clearUuid() {
    if (uuid_.isNull()) return;
    auto it = uuids().find(uuid_);
    if (it != uuids().end() && it->second == this) uuids().erase(it);
}

KvUndoState* KvFrameworkEntityInstance::getState() const { return new KvFrameworkEntityInstanceState(*this); }

void KvFrameworkEntityInstance::restoreFrom(const KvFrameworkEntityInstanceState& state) {
    outdated_ = state.outdated_;
    notch_ = state.notch_;
    takeUuid(state.uuid_);
    setEntity(KvFrameworkEntity::cast(KvUndoBridge::dereference(state.entity_)));
    // The instance set the path back itself: it need not hear of it.
    path_.removeMonitor(this);
    path_.restoreFromState(state.frameworks_);
    path_.addMonitor(this);
}

bool KvFrameworkEntityInstance::operator<(const KvGenre& other) const {
    return std::less<const KvGenre*>()(this, &other);
}

// --- following the entity and the path

bool KvFrameworkEntityInstance::fromEntity(const KvAction* action) const {
    return entity_ && action->getSource() == entity_.get();
}

void KvFrameworkEntityInstance::handleUpdateAction(KvUpdateAction* action) {
    if (!fromEntity(action)) return handleBadAction(action);
    scheduleUpdate();
}

void KvFrameworkEntityInstance::handlePurgeAction(KvPurgeAction* action) {
    if (!fromEntity(action)) return handleBadAction(action);
    setEntity(nullptr);
    // Undo brings the entity back, and this instance's state with it.
    if (KvUndo::isRestoring()) return;
    outdated_ = true;
    clearUuid();
    destroy();
}

void KvFrameworkEntityInstance::handleReplaceAction(KvReplaceAction* action) {
    if (!fromEntity(action)) return handleBadAction(action);
    KvFrameworkEntity* replacement = KvFrameworkEntity::cast(action->getReplacement());
    if (Instance* other = find(path_, replacement)) {
        replace(other);
        return;
    }
    const KvRefPtr<KvFrameworkEntity> old(entity_.get());  // let go of last
    setEntity(replacement);
    if (replacement && !replacement->isUnmodifiedCopy(old.get())) {
        markOutdated(true);
    } else {
        scheduleUpdate();
        updateObservers(KvActionObject());
    }
}

void KvFrameworkEntityInstance::handleSplitAction(KvSplitAction* action) {
    if (!fromEntity(action)) return handleBadAction(action);
    if (KvMultiObject* multi = action->getMulti()) {
        const KvRefPtr<KvMultiFrameworkEntityInstance> parts(new KvMultiFrameworkEntityInstance(path_, multi));
        notifyObservers(new KvSplitAction(this, parts.get(), action->getMapper()), KvActionObject());
    }
    markOutdated(true);
}

void KvFrameworkEntityInstance::handleJoinAction(KvJoinAction* action) {
    KvMultiObject* multi = action->getMulti();
    if (!fromEntity(action) || !multi || !multi->contains(entity_.get())) return handleBadAction(action);
    const KvRefPtr<KvMultiFrameworkEntityInstance> parts(new KvMultiFrameworkEntityInstance(path_, multi));
    KvFrameworkEntity* joined = KvFrameworkEntity::cast(action->getSingle());
    Instance* single = find(path_, joined);
    if (joined && !single) {
        // Held by the action alone, unless an observer keeps it.
        single = new Instance(path_, joined);
        single->markOutdated(false);
    }
    notifyObservers(new KvJoinAction(this, parts.get(), single, action->getMapper()), KvActionObject());
    markOutdated(true);
}

void KvFrameworkEntityInstance::pathModified(const KvFrameworkPath* path, Reason reason) {
    if (path != &path_) return;
    if (reason == Cosmetic)
        scheduleUpdate();
    else
        markOutdated(false);
}

// --- persistence

namespace {

const char* const kFailedCount = "Failed to read the expected number of framework entity instances.";
const char* const kBadValue = "Bad value read for framework entity instance.";
const char* const kOldFormat = "Old alpha file format detected. Please resave this file.";

std::string entryKey(const char* prefix, int index) { return prefix + std::to_string(index); }

template <class Array>
bool saveCounted(const char* key, KvDataStore& store, const Array& list) {
    std::vector<const Instance*> saved;
    for (const Instance* instance : list)
        if (instance && instance->canSave(store)) saved.push_back(instance);
    if (!store.enterSection(key)) return false;
    store.writeInt("Count", static_cast<long long>(saved.size()));
    for (size_t i = 0; i < saved.size(); ++i)
        store.writeEntity(entryKey("FEI", static_cast<int>(i)), saved[i]);
    return store.closeSection();
}

// Enters the counted list under `key` and hands `readEntry` each entry key
// in turn until it answers false. False for a missing list.
template <class ReadEntry>
bool readCounted(const char* key, const char* prefix, const KvDataStore& store, ReadEntry readEntry) {
    if (!store.hasKey(key) || !store.enterSection(key)) return false;
    int count = 0;
    store.readInt("Count", count);
    bool ok = true;
    for (int i = 0; ok && i < count; ++i)
        ok = readEntry(entryKey(prefix, i));
    store.closeSection();
    return ok;
}

template <class Array>
bool loadCounted(const char* key, const char* prefix, const KvDataStore& store, Array& list) {
    list.clear();
    return readCounted(key, prefix, store, [&](const std::string& entry) {
        KvGenre* read = nullptr;
        if (!store.readEntity(entry, read)) {
            store.reportError(kFailedCount);
            return false;
        }
        Instance* instance = Instance::cast(read);
        if (!instance) {
            store.reportError(kBadValue);
            return false;
        }
        list.push_back(instance);
        return true;
    });
}

// Frameworks come out of a store unreferenced, and `path` may hold the first
// reference to some of them: it lets go of them without destroying them, for
// the store may hand them out again.
void letGoOf(KvFrameworkPath& path) {
    std::vector<KvFrameworkBase*> frameworks;
    for (size_t i = 0; i < path.getDepth(); ++i) {
        frameworks.push_back(path.getFramework(i));
        frameworks.back()->ref();
    }
    path.clear();
    for (KvFrameworkBase* f : frameworks)
        f->unrefKeep();
}

bool loadArray(const char* key, const char* arrayKey, const KvDataStore& store) {
    if (!store.hasKey(key) || !store.enterSection(key)) return true;
    kv::vector<KvGenre*> read;
    const bool ok = store.readReferenceArray(arrayKey, read, true);
    store.closeSection();
    return ok;
}

}  // namespace

void KvFrameworkEntityInstance::registerIOHandler() {
    static bool done = false;
    if (done) return;
    done = true;
    KvFeiIOAttribute::initType();
    KvFeiTrackingArray1::initType();
    // Older files named instances after classes that are gone.
    static const KvTypeId tsObjectInstance("TSObjectInstance", KvUndoRefObject::getClassTypeId());
    static const KvTypeId systemEntityInstance("SystemEntityInstance", KvUndoRefObject::getClassTypeId());
    KvDataStore::addEntityType(getClassTypeId(), new KvFrameworkEntityInstanceIOHandler);
    KvDataStore::addEntityType(tsObjectInstance, new KvFrameworkEntityInstanceIOHandler);
    KvDataStore::addEntityType(systemEntityInstance, new KvFrameworkEntityInstanceIOHandler);
}

bool KvFrameworkEntityInstance::canSave(const KvDataStore& store) const {
    return entity_ && !store.getIdentifier(entity_.get()).isEmpty();
}

void KvFrameworkEntityInstance::save(KvDataStore& store) const {
    store.writeBool("Outdated", outdated_);
    path_.save("Path", store);
    store.writeReference("Entity", entity_.get());
    // The text form, made as 8-bit text at once: a round trip through a
    // QString costs a third of the record.
    const QByteArray uuid = uuid_.toByteArray();
    store.writeString("UUID", KvString(uuid.constData(), static_cast<size_t>(uuid.size())));
}

KvFrameworkEntityInstance* KvFrameworkEntityInstance::readRecord(const KvDataStore& store) {
    bool outdated = false;
    KvFrameworkPath path;
    if (!store.readBool("Outdated", outdated) || !path.read("Path", store)) return nullptr;
    KvGenre* read = nullptr;
    Instance* instance = nullptr;
    if (!store.readReference("Entity", read)) {
    } else if (!KvFrameworkEntity::cast(read)) {
        store.reportError("Invalid entity read for framework entity instance.");
    } else if (KvFrameworkEntity* entity = KvFrameworkEntity::cast(read); !isValid(path, entity)) {
        store.reportError("Invalid framework entity instance parameters.");
    } else if (!(instance = find(path, entity))) {
        instance = new Instance(path, entity);
        KvFeiIOAttribute::of(store)->getInstances().add(instance);
    }
    if (!instance) {
        letGoOf(path);
        return nullptr;
    }
    if (outdated) instance->outdated_ = true;
    return instance;
}

bool KvFrameworkEntityInstance::save(const char* key, KvDataStore& store, const KvFrameworkEntityInstanceArray1& list) {
    return saveCounted(key, store, list);
}

bool KvFrameworkEntityInstance::save(const char* key, KvDataStore& store,
                                     const KvConstFrameworkEntityInstanceArray1& list) {
    return saveCounted(key, store, list);
}

bool KvFrameworkEntityInstance::saveAll(const char* key, KvDataStore& store,
                                        const KvFrameworkEntityInstanceSet& exclude) {
    kv::vector<const KvGenre*> saved;
    for (const Instance* instance : registry())
        if (!exclude.contains(instance) && instance->canSave(store)) saved.push_back(instance);
    if (saved.empty() || !store.enterSection(key)) return false;
    store.writeReferenceArray("Fei", saved, true);
    return store.closeSection();
}

bool KvFrameworkEntityInstance::load(const char* key, const KvDataStore& store, KvFrameworkEntityInstanceArray1& list) {
    return loadCounted(key, "FEI", store, list);
}

bool KvFrameworkEntityInstance::load(const char* key, const KvDataStore& store,
                                     KvConstFrameworkEntityInstanceArray1& list) {
    return loadCounted(key, "FEI", store, list);
}

bool KvFrameworkEntityInstance::getData(const char* key, const KvDataStore& store,
                                        KvFrameworkEntityInstanceArray1& list) {
    return load(key, store, list);
}

bool KvFrameworkEntityInstance::getData(const char* key, const KvDataStore& store,
                                        KvConstFrameworkEntityInstanceArray1& list) {
    return load(key, store, list);
}

bool KvFrameworkEntityInstance::load(const char* key, const KvDataStore& store) { return loadArray(key, "Fei", store); }

bool KvFrameworkEntityInstance::loadOld(const char* key, const char* arrayKey, const KvDataStore& store) {
    const bool ok = loadArray(key, arrayKey, store);
    KvTypes::postWarningMsg(kOldFormat);
    return ok;
}

bool KvFrameworkEntityInstance::loadOld(const char* key, const char* prefix, const KvDataStore& store,
                                        KvFrameworkEntityInstanceArray1& list) {
    const bool ok = loadCounted(key, prefix, store, list);
    KvTypes::postWarningMsg(kOldFormat);
    return ok;
}

bool KvFrameworkEntityInstance::loadVeryOld(const char* key, const char* prefix, const KvDataStore& store) {
    const bool ok = readCounted(key, prefix, store, [&](const std::string& entry) {
        KvGenre* read = nullptr;
        if (!store.readEntity(entry, read, true)) {
            KvTypes::postWarningMsg(kFailedCount);
            return false;
        }
        if (!cast(read)) {
            store.reportError(kBadValue);
            return false;
        }
        return true;
    });
    KvTypes::postWarningMsg(kOldFormat);
    return ok;
}

bool KvFrameworkEntityInstance::loadVeryOld(const char* key, const char* prefix, const KvDataStore& store,
                                            KvFrameworkEntityInstanceArray1& list) {
    list.clear();
    const bool ok = readCounted(key, prefix, store, [&](const std::string& entry) {
        KvGenre* read = nullptr;
        if (!store.readEntity(entry, read, false)) {
            store.reportError("Failed to read the expected number of TS object instances.");
            return false;
        }
        Instance* instance = cast(read);
        if (!instance) {
            store.reportError("Bad value read for TS object instance.");
            return false;
        }
        // Each entry was read as a copy: stand for it with the instance of
        // its pair, so that later references to the entry find that one.
        Instance* unique = find(instance->path_, instance->getEntity());
        if (unique == instance || !unique) {
            store.bindKey(entry, instance);
            list.push_back(instance);
        } else {
            store.bindKey(entry, store.getIdentifier(unique), unique);
            list.push_back(unique);
        }
        return true;
    });
    KvTypes::postWarningMsg(kOldFormat);
    return ok;
}
