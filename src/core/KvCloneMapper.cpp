#include <KvCloneMapper.h>

#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvCloneDestroyLater.h>
#include <KvCloneMapperReplacer.h>
#include <KvConstTSObjectArray1.h>
#include <KvConstTSObjectSet.h>
#include <KvExcept.h>
#include <KvJoinAction.h>
#include <KvMultiObject.h>
#include <KvObserverIterator.h>
#include <KvProgress.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvTSObject.h>
#include <KvTSObjectArray1.h>
#include <KvTSObjectSet.h>

#include <unordered_set>
#include <utility>
#include <vector>

KV_TYPE_SOURCE(KvCloneMapper, "CloneMapper", KvObservedObject)

namespace {

// The members of a multi-object that are time-stamped, in member order.
std::vector<KvTSObject*> membersOf(const KvMultiObject* multi) {
    std::vector<KvTSObject*> out;
    const size_t n = multi->getNumObjects();
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (KvTSObject* m = KvTSObject::cast(multi->getObject(i))) out.push_back(m);
    return out;
}

}  // namespace

KvCloneMapper::KvCloneMapper() : preserveTimeStamps_(true) {}

KvCloneMapper::KvCloneMapper(TimeStampMode mode) : preserveTimeStamps_(mode == PreserveTimeStamps) {}

KvCloneMapper::~KvCloneMapper() { reset(); }

void KvCloneMapper::preDestroy() { reset(); }

// --- pairing

void KvCloneMapper::addPair(KvTSObject* master, KvTSObject* clone) {
    if (!clone) throw KvExcept("KvCloneMapper::addPair: null clone");
    if (!master) throw KvExcept("KvCloneMapper::addPair: null master");
    const KvTSObjectMapKey masterKey(master);
    const KvTSObjectMapKey cloneKey(clone);
    if (clones_.find(masterKey) != clones_.end()) throw KvExcept("KvCloneMapper::addPair: master is already a clone");
    if (masters_.find(cloneKey) != masters_.end()) throw KvExcept("KvCloneMapper::addPair: clone is already a master");
    auto mi = masters_.find(masterKey);
    if (mi != masters_.end() && mi->second != clone)
        throw KvExcept("KvCloneMapper::addPair: master already mapped to a different clone");
    auto range = clones_.equal_range(cloneKey);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second != master) throw KvExcept("KvCloneMapper::addPair: clone already mapped to a different master");
    if (!(master->getTypeId() == clone->getTypeId()))
        throw KvExcept("KvCloneMapper::addPair: master and clone are different types");

    if (mi != masters_.end() || range.first != range.second) return;
    masters_.emplace(masterKey, clone);
    master->addObserver(this);
    enterClone(clone, master);
    clone->addObserver(this);
}

void KvCloneMapper::rePair(KvTSObject* master, KvTSObject* clone) {
    if (!master || !clone || noRePair_.count(master) || noRePair_.count(clone)) return;
    // The clone may be held by nobody but this mapper; it must survive being
    // unpaired on its way to the new pair.
    KvRefPtr<KvTSObject> keep(clone);
    auto mi = masters_.find(master);
    if (mi != masters_.end()) {
        KvTSObject* old = mi->second;
        masters_.erase(mi);
        if (old) dropClone(old);
    }
    auto range = clones_.equal_range(clone);
    if (range.first != range.second) {
        for (auto it = range.first; it != range.second; ++it) {
            KvTSObject* m = it->second;
            if (!m) continue;
            masters_.erase(m);
            m->removeObserver(this);
        }
        dropClone(clone);
    }
    addPair(master, clone);
}

void KvCloneMapper::stopRePair(KvTSObject* obj) {
    if (obj) noRePair_.insert(obj);
}

// --- marking

void KvCloneMapper::addMustClone(const KvTSObject* obj) {
    if (obj && mustClone_.insert(obj).second) obj->addMustClone(*this);
}

void KvCloneMapper::addMustClone(const KvConstTSObjectArray1& objects) {
    for (const KvTSObject* o : objects)
        addMustClone(o);
}

void KvCloneMapper::addMustClone(const KvConstTSObjectSet& objects) {
    for (const KvTSObject* o : objects)
        addMustClone(o);
}

void KvCloneMapper::explicitAddMustClone(const KvTSObject* obj) {
    if (obj && mustClone_.insert(obj).second) obj->explicitAddMustClone(*this);
}

void KvCloneMapper::explicitAddMustClone(const KvConstTSObjectArray1& objects) {
    for (const KvTSObject* o : objects)
        explicitAddMustClone(o);
}

void KvCloneMapper::explicitAddMustClone(const KvConstTSObjectSet& objects) {
    for (const KvTSObject* o : objects)
        explicitAddMustClone(o);
}

bool KvCloneMapper::mustBeCloned(const KvTSObject* obj) const { return obj && mustClone_.count(obj) != 0; }

// --- queries

bool KvCloneMapper::isMaster(KvTSObject* obj, KvTSObject*& clone) const {
    clone = nullptr;
    if (!obj) return false;
    auto mi = masters_.find(obj);
    if (mi == masters_.end()) return false;
    clone = mi->second;
    return true;
}

bool KvCloneMapper::isClone(KvTSObject* obj, KvTSObject*& master) const {
    master = nullptr;
    if (!obj) return false;
    auto it = clones_.lower_bound(obj);
    if (it == clones_.end() || it->first.getObject() != obj) return false;
    master = it->second;
    return true;
}

bool KvCloneMapper::getClone(KvTSObject* obj, KvTSObject*& clone) const {
    clone = nullptr;
    if (!obj) return true;
    auto mi = masters_.find(obj);
    if (mi != masters_.end()) {
        clone = mi->second;
        if (const KvMultiObject* multi = KvMultiObject::cast(clone))
            clone = multi->getNumObjects() ? KvTSObject::cast(multi->getObject(0)) : nullptr;
        return true;
    }
    KvTSObject* master;
    if (!isClone(obj, master) && !(timeStamp_ < obj->getTimeStamp()) && mustBeCloned(obj)) return false;
    clone = obj;
    return true;
}

bool KvCloneMapper::getClone(const KvTSObject* obj, const KvTSObject*& clone) const {
    KvTSObject* c = nullptr;
    bool found = getClone(const_cast<KvTSObject*>(obj), c);
    clone = c;
    return found;
}

KvTSObject* KvCloneMapper::getMaster(KvTSObject* obj) const {
    if (!obj) return nullptr;
    KvTSObject* master;
    if (isClone(obj, master)) return master;
    if (masters_.find(obj) != masters_.end()) return obj;
    if (timeStamp_ > obj->getTimeStamp()) return obj;
    return nullptr;
}

const KvTSObject* KvCloneMapper::getMaster(const KvTSObject* obj) const {
    return getMaster(const_cast<KvTSObject*>(obj));
}

void KvCloneMapper::getMasters(KvTSObject* clone, KvTSObjectArray1& out) const {
    bool any = false;
    if (clone) {
        auto range = clones_.equal_range(clone);
        for (auto it = range.first; it != range.second; ++it) {
            if (!it->second) continue;
            out.push_back(it->second);
            any = true;
        }
    }
    if (any) return;
    if (KvTSObject* m = getMaster(clone)) out.push_back(m);
}

void KvCloneMapper::getMasters(const KvTSObject* clone, KvConstTSObjectArray1& out) const {
    KvTSObjectArray1 masters;
    getMasters(const_cast<KvTSObject*>(clone), masters);
    out << KvConstTSObjectArray1(masters);
}

KvTSObjectSet KvCloneMapper::getClones() {
    KvTSObjectSet out;
    for (const auto& entry : clones_)
        out.insert(entry.first.getObject());
    return out;
}

bool KvCloneMapper::haveCloneMapping(KvTSObject* master, KvTSObject* clone) const {
    if (!clone) return false;
    auto range = clones_.equal_range(clone);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == master) return true;
    return false;
}

// --- map upkeep

void KvCloneMapper::enterClone(KvTSObject* clone, KvTSObject* master) {
    clone->ref();
    clones_.emplace(clone, master);
}

std::vector<KvTSObject*> KvCloneMapper::takeCloneEntries(KvTSObject* clone) {
    std::vector<KvTSObject*> masters;
    auto range = clones_.equal_range(clone);
    for (auto it = range.first; it != range.second; ++it)
        masters.push_back(it->second);
    clones_.erase(range.first, range.second);
    return masters;
}

void KvCloneMapper::retargetMaster(KvTSObject* master, KvTSObject* from, KvTSObject* to) {
    if (!master) return;
    auto mm = masters_.find(master);
    if (mm != masters_.end() && mm->second == from) mm->second = to;
}

void KvCloneMapper::dropClone(KvTSObject* clone) {
    size_t n = takeCloneEntries(clone).size();
    if (n == 0) return;
    clone->removeObserver(this);
    while (n--)
        clone->unref();
}

void KvCloneMapper::reset() {
    mustClone_.clear();
    noRePair_.clear();
    skip_.clear();
    MasterMap masters;
    masters.swap(masters_);
    for (const auto& entry : masters)
        entry.first->removeObserver(this);
    CloneMap clones;
    clones.swap(clones_);
    for (const auto& entry : clones)
        entry.first->removeObserver(this);
    // Last: letting go of a clone may start its destruction.
    for (const auto& entry : clones)
        entry.first->unref();
}

// --- commit

void KvCloneMapper::checkClones() {
    KvTSObjectArray1 clones;
    clones.reserve(clones_.size());
    for (auto it = clones_.begin(); it != clones_.end(); it = clones_.upper_bound(it->first))
        clones.push_back(it->first.getObject());
    for (size_t i = clones.size(); i-- > 0;)
        clones[i]->checkClones(*this);
}

namespace {

// Queues `action` to each observer of `source` except the mapper and those
// `skip` names.
template <class Skip>
void queueToObservers(KvObservedObject* source, KvAction* action, const KvObject* mapper, Skip skip) {
    KvObserverIterator it(source);
    for (it.first(); !it.isDone(); it.next()) {
        KvObject* observer = it.getCurrent();
        if (observer == mapper || skip(observer)) continue;
        KvActionQueue::add(observer, action);
    }
}

}  // namespace

void KvCloneMapper::makeReplacements() {
    if (!KvActionQueue::isProcessing()) {
        KvActionQueue::run(new KvCloneMapperReplacer(KvCloneMapperReplacer::MakeReplacements, this));
        return;
    }
    checkClones();
    skip_.clear();

    // Clones never changed give way to their masters again; the masters of
    // the others are left out of what follows.
    std::map<KvTSObjectMapKey, KvTSObject*> back;
    for (const auto& entry : clones_) {
        KvTSObject* clone = entry.first.getObject();
        KvTSObject* master = entry.second;
        if (!clone || !master) continue;
        if (clone->isUnmodifiedCopy(master))
            back[entry.first] = master;
        else
            skip_.insert(master);
    }

    auto skipped = [&](KvObject* observer) {
        const KvTSObject* ts = KvTSObject::cast(observer);
        return ts && (skip_.count(ts) || back.count(KvTSObjectMapKey(const_cast<KvTSObject*>(ts))));
    };
    for (const auto& entry : back) {
        KvTSObject* clone = entry.first.getObject();
        KvTSObject* master = entry.second;
        {
            KvActionRef action(new KvReplaceAction(clone, master, nullptr));
            clone->preCloneReplace(master, this);
            if (!clone->isDying()) queueToObservers(clone, action.get(), this, skipped);
        }
        std::vector<KvTSObject*> masters = takeCloneEntries(clone);
        clone->removeObserver(this);
        for (KvTSObject* other : masters) {
            if (!other || other == master) continue;
            KvActionRef action(new KvReplaceAction(other, master, nullptr));
            if (!other->isDying()) queueToObservers(other, action.get(), this, skipped);
        }
        auto mi = masters_.find(master);
        if (mi != masters_.end() && mi->second == clone) {
            masters_.erase(mi);
            master->removeObserver(this);
        }
        for (size_t i = 0; i < masters.size(); ++i)
            clone->unref();
    }

    // Runs once the actions above have been delivered.
    KvActionQueue::run(new KvCloneMapperReplacer(KvCloneMapperReplacer::MakeTrueReplacements, this));
}

void KvCloneMapper::makeTrueReplacements() {
    const KvActionObject self(this);
    auto skipped = [&](KvObject* observer) {
        const KvTSObject* ts = KvTSObject::cast(observer);
        return ts && skip_.count(ts);
    };

    std::vector<std::pair<KvTSObject*, KvTSObject*>> pairs;
    pairs.reserve(clones_.size());
    for (const auto& entry : clones_)
        if (entry.second) pairs.emplace_back(entry.first.getObject(), entry.second);

    for (const auto& [clone, master] : pairs) {
        auto mi = masters_.find(master);
        KvTSObject* mapped = mi != masters_.end() ? mi->second : nullptr;
        if (KvMultiObject* multi = KvMultiObject::cast(mapped)) {
            // The clone was split while the operation ran.
            if (clone != multi) continue;
            if (multi->getNumObjects() > 0)
                master->notifyObservers(new KvSplitAction(master, multi, master->getSplitMapper(multi)), self);
            else
                multi->removeObserver(this);
        } else if (mi != masters_.end()) {
            // A multi-object master is announced below, once the skips are over.
            if (mapped != clone || KvMultiObject::cast(master)) continue;
            KvActionRef action(new KvReplaceAction(master, clone, master->getReplaceMapper(clone)));
            master->preMasterReplace(clone, this);
            if (!master->isDying()) queueToObservers(master, action.get(), this, skipped);
        } else if (!KvMultiObject::cast(master)) {
            master->preMasterReplace(clone, this);
            master->notifyObservers(new KvReplaceAction(master, clone, master->getReplaceMapper(clone)), self);
        }
    }
    skip_.clear();

    std::vector<std::pair<KvTSObject*, KvTSObject*>> masters(masters_.begin(), masters_.end());
    for (const auto& [master, clone] : masters) {
        if (!clone) {
            // Its clone was purged: the master goes too.
            master->removeObserver(this);
            KvActionQueue::run(new KvCloneDestroyLater(master));
        } else {
            KvTSObject* cloneMaster;
            if (isClone(clone, cloneMaster) && KvMultiObject::cast(cloneMaster))
                master->notifyObservers(new KvReplaceAction(master, clone, master->getReplaceMapper(clone)), self);
        }
    }
    reset();
}

// --- abandon

void KvCloneMapper::discardReplacements() {
    if (!KvActionQueue::isProcessing()) {
        KvActionQueue::run(new KvCloneMapperReplacer(KvCloneMapperReplacer::DiscardReplacements, this));
        return;
    }
    discardNow();
}

void KvCloneMapper::discardNow() {
    std::vector<std::pair<KvTSObject*, KvTSObject*>> pairs(masters_.begin(), masters_.end());
    reset();
    std::unordered_set<const KvObject*> purged;
    auto purge = [&](KvObservedObject* obj) {
        // A clone that nobody else held went with reset() and has told its
        // observers already.
        if (!obj->isDying()) {
            KvActionRef action(new KvPurgeAction(obj));
            KvObserverIterator it(obj);
            for (it.first(); !it.isDone(); it.next())
                if (!purged.count(it.getCurrent())) KvActionQueue::add(it.getCurrent(), action.get());
        }
        purged.insert(obj);
    };
    for (const auto& [master, clone] : pairs) {
        if (!master || !clone || clone == master) continue;
        if (KvMultiObject* multi = KvMultiObject::cast(clone)) {
            const size_t n = multi->getNumObjects();
            for (size_t i = 0; i < n; ++i)
                if (KvObservedObject* member = multi->getObject(i)) purge(member);
        } else {
            purge(clone);
        }
    }
}

void KvCloneMapper::breakReplacements(KvTSObjectSet& objects) {
    std::vector<KvTSObject*> clones;
    for (auto it = clones_.begin(); it != clones_.end(); it = clones_.upper_bound(it->first))
        clones.push_back(it->first.getObject());
    double current = 0.0;
    double step = 0.0;
    KvProgress::pushRange(0.0, 1.0, clones.size(), current, step);
    for (KvTSObject* clone : clones) {
        objects.insert(clone);
        current += step;
        if (KvProgress::update(current)) break;
    }
    KvProgress::popRange();
    reset();
    KvActionQueue::process();
}

// --- following masters and clones

void KvCloneMapper::moveMaster(KvTSObject* from, KvTSObject* to) {
    auto mi = masters_.find(from);
    KvTSObject* clone = mi->second;
    masters_.erase(mi);
    if (clone) {
        auto range = clones_.equal_range(clone);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second == from) it->second = to;
    }
    masters_[to] = clone;
}

void KvCloneMapper::handlePurgeAction(KvPurgeAction* action) {
    KvTSObject* obj = KvTSObject::cast(action->getSource());
    if (!obj) return handleBadAction(action);
    obj->removeObserver(this);
    mustClone_.erase(obj);
    auto mi = masters_.find(obj);
    if (mi != masters_.end()) {
        KvTSObject* clone = mi->second;
        masters_.erase(mi);
        if (clone) dropClone(clone);
    }
    auto range = clones_.equal_range(obj);
    for (auto it = range.first; it != range.second; ++it) {
        if (!it->second) continue;
        auto mm = masters_.find(it->second);
        // The master is destroyed at commit.
        if (mm != masters_.end() && mm->second == obj) mm->second = nullptr;
    }
    dropClone(obj);
}

void KvCloneMapper::handleReplaceAction(KvReplaceAction* action) {
    KvTSObject* oldObj = KvTSObject::cast(action->getSource());
    KvTSObject* newObj = KvTSObject::cast(action->getReplacement());
    if (!oldObj || !newObj) return;
    oldObj->removeObserver(this);
    if (mustClone_.erase(oldObj)) mustClone_.insert(newObj);

    bool known = false;
    if (masters_.find(oldObj) != masters_.end()) {
        moveMaster(oldObj, newObj);
        known = true;
    }
    std::vector<KvTSObject*> masters = takeCloneEntries(oldObj);
    if (!masters.empty()) {
        for (KvTSObject* m : masters) {
            retargetMaster(m, oldObj, newObj);
            enterClone(newObj, m);
        }
        for (size_t i = 0; i < masters.size(); ++i)
            oldObj->unref();
        known = true;
    }
    if (known) newObj->addObserver(this);
}

void KvCloneMapper::handleSplitAction(KvSplitAction* action) {
    KvTSObject* oldObj = KvTSObject::cast(action->getSingle());
    KvMultiObject* multi = action->getMulti();
    if (!oldObj || !multi) return;
    oldObj->removeObserver(this);
    const std::vector<KvTSObject*> members = membersOf(multi);
    if (mustClone_.erase(oldObj))
        for (KvTSObject* m : members)
            mustClone_.insert(m);

    bool known = false;
    if (masters_.find(oldObj) != masters_.end()) {
        moveMaster(oldObj, multi);
        known = true;
    }
    std::vector<KvTSObject*> masters = takeCloneEntries(oldObj);
    if (!masters.empty()) {
        for (KvTSObject* master : masters) {
            retargetMaster(master, oldObj, multi);
            if (!haveCloneMapping(master, multi)) enterClone(multi, master);
            // The members are clones without masters of their own.
            for (KvTSObject* m : members) {
                if (haveCloneMapping(nullptr, m)) continue;
                enterClone(m, nullptr);
                m->addObserver(this);
            }
        }
        for (size_t i = 0; i < masters.size(); ++i)
            oldObj->unref();
        known = true;
    }
    if (known) multi->addObserver(this);
}

void KvCloneMapper::handleJoinAction(KvJoinAction* action) {
    KvMultiObject* multi = action->getMulti();
    KvTSObject* single = KvTSObject::cast(action->getSingle());
    if (!multi || !single || multi->getNumObjects() == 0) return;
    for (KvTSObject* member : membersOf(multi)) {
        member->removeObserver(this);
        mustClone_.erase(member);

        auto mi = masters_.find(member);
        if (mi != masters_.end()) {
            // Its clone stays, as a clone without master.
            KvTSObject* clone = mi->second;
            masters_.erase(mi);
            if (clone) {
                KvRefPtr<KvTSObject> keep(clone);
                auto range = clones_.equal_range(clone);
                size_t n = 0;
                for (auto it = range.first; it != range.second; ++it)
                    ++n;
                clones_.erase(range.first, range.second);
                enterClone(clone, nullptr);
                while (n--)
                    clone->unref();
            }
        }

        std::vector<KvTSObject*> masters;
        auto range = clones_.equal_range(member);
        for (auto it = range.first; it != range.second;) {
            if (it->second) {
                masters.push_back(it->second);
                it = clones_.erase(it);
            } else {
                ++it;
            }
        }
        for (KvTSObject* master : masters) {
            retargetMaster(master, member, single);
            if (!haveCloneMapping(master, single)) {
                enterClone(single, master);
                single->addObserver(this);
            }
        }
        for (size_t i = 0; i < masters.size(); ++i)
            member->unref();
    }
}
