#include <KvUndoManager.h>

#include <KvActionLock.h>
#include <KvActionQueue.h>
#include <KvDelayedFunction.h>
#include <KvDelayedUndoRestore.h>
#include <KvExcept.h>
#include <KvUndoCheckpoint.h>
#include <KvUndoIsolatedMonitor.h>
#include <KvUndoMonitor.h>
#include <KvUndoObject.h>
#include <KvUndoReference.h>

#include <optional>
#include <utility>

KvUndoManager* KvUndoManager::instance_ = nullptr;
bool KvUndoManager::unloaded_ = false;

// Deletes the engine when the library is unloaded.
class KvUndoManagerOwner {
public:
    ~KvUndoManagerOwner() {
        KvUndoManager* m = KvUndoManager::instance_;
        KvUndoManager::instance_ = nullptr;
        KvUndoManager::unloaded_ = true;
        delete m;
    }
};

namespace {
KvUndoManagerOwner g_owner;
}

KvUndoManager* KvUndoManager::create() {
    if (!instance_ && !unloaded_) instance_ = new KvUndoManager;
    return instance_;
}

uint64_t KvUndoManager::openSequenceId() {
    return instance_ && instance_->open_ ? instance_->open_->getSequenceId() : 0;
}

KvUndoManager::KvUndoManager() { levels_.push_back(KvUndoLevel{true, 0, 1}); }

KvUndoManager::~KvUndoManager() {
    ++busy_;
    open_ = nullptr;
    kv::vector<KvUndoCheckpoint*> old;
    old.swap(checkpoints_);
    for (KvUndoCheckpoint* cp : static_cast<const kv::vector<KvUndoCheckpoint*>&>(old))
        delete cp;
    for (KvUndoObjectMap::Entry& e : monitors_.takeAll()) {
        if (!e.monitor) continue;
        e.monitor->objectDestroyed();
        e.monitor->unref();
    }
    postUndoActions_.clear();
    delayedUndoActions_.clear();
    undoFloor_ = 1;
    nextSequenceId_ = 2;
    currentSequenceId_ = 0;
}

// --- bookkeeping

bool KvUndoManager::hasRedoSteps() const {
    return !checkpoints_.empty() && checkpoints_.front()->getSequenceId() > currentSequenceId_ &&
           checkpoints_.front()->getSequenceId() >= level().baseSequenceId;
}

size_t KvUndoManager::inLevelCount() const {
    uint64_t base = level().baseSequenceId;
    size_t n = 0;
    while (n < checkpoints_.size() && checkpoints_[n]->getSequenceId() >= base)
        ++n;
    return n;
}

KvUndoMonitor* KvUndoManager::makeMonitor(KvUndoObject* obj, uint64_t creationSequenceId, bool isolated) {
    KvUndoMonitor* m = isolated ? KvUndoIsolatedMonitor::create(obj, creationSequenceId)
                                : KvUndoMonitor::create(obj, creationSequenceId);
    m->ref();
    return m;
}

void KvUndoManager::openOnDemand() {
    if (open_ || level().stepLimit < 1 || restoring_ || isolation_ || quiet_ || closing_) return;
    // Pruning destroys the objects that only the discarded steps held; their
    // observers hear of it once the new step is open.
    std::optional<KvActionLock> lock;
    if (currentSequenceId_ != 0 && hasRedoSteps()) {
        lock.emplace();
        pruneRedo();
    }
    auto* cp = new KvUndoCheckpoint(nextSequenceId_);
    if (KvUndoCheckpoint::serialsWrapped())
        for (KvUndoCheckpoint* older : static_cast<const kv::vector<KvUndoCheckpoint*>&>(checkpoints_))
            older->forgetSerial();
    cp->setDescription(KvString("checkpoint ") + KvString::number(static_cast<unsigned long long>(nextSequenceId_)));
    checkpoints_.push_front(cp);
    currentSequenceId_ = nextSequenceId_++;
    open_ = cp;
    if (checkpoints_.size() > 1) cp->reserve(checkpoints_[1]->getNumObjects());
}

bool KvUndoManager::pruneRedo() {
    bool removed = false;
    while (hasRedoSteps()) {
        KvUndoCheckpoint* cp = checkpoints_.front();
        checkpoints_.pop_front();
        if (cp == open_) open_ = nullptr;
        cp->pruneAfter();
        delete cp;
        removed = true;
    }
    return removed;
}

void KvUndoManager::dropCheckpoint(KvUndoCheckpoint* cp) {
    size_t i = checkpoints_.indexOf(cp);
    if (i != kv::vector<KvUndoCheckpoint*>::npos) checkpoints_.removeAt(i);
    if (cp == open_) open_ = nullptr;
    delete cp;
}

void KvUndoManager::deleteAbove(uint64_t sequenceId) {
    kv::vector<KvUndoCheckpoint*> keep, drop;
    for (KvUndoCheckpoint* cp : static_cast<const kv::vector<KvUndoCheckpoint*>&>(checkpoints_))
        (cp->getSequenceId() > sequenceId ? drop : keep).push_back(cp);
    if (drop.empty()) return;
    checkpoints_ = keep;
    for (KvUndoCheckpoint* cp : static_cast<const kv::vector<KvUndoCheckpoint*>&>(drop)) {
        if (cp == open_) open_ = nullptr;
        delete cp;
    }
}

void KvUndoManager::close() {
    KvUndoCheckpoint* cp = open_;
    if (!cp || closing_) return;
    closing_ = true;
    try {
        cp->updateStates();
    } catch (...) {
        closing_ = false;
        throw;
    }
    closing_ = false;
    if (cp->isIncidental()) {
        // Changes of incidental objects alone never make a step of their own.
        foldOpen();
    } else {
        open_ = nullptr;
        if (checkpoints_.front()->getNumObjects() == 0) {
            dropCheckpoint(checkpoints_.front());
            if (!checkpoints_.empty())
                currentSequenceId_ = checkpoints_.front()->getSequenceId();
            else
                deleteAbove(level().baseSequenceId);
        }
    }
    enforceLimit(level().stepLimit);
}

// The open checkpoint goes into the previous step, or vanishes without one.
void KvUndoManager::foldOpen() {
    KvUndoCheckpoint* cp = open_;
    open_ = nullptr;
    size_t i = checkpoints_.indexOf(cp);
    if (i != kv::vector<KvUndoCheckpoint*>::npos) checkpoints_.removeAt(i);
    if (!checkpoints_.empty()) {
        KvUndoCheckpoint* front = checkpoints_.front();
        front->merge(cp);
        delete cp;
        currentSequenceId_ = front->getSequenceId();
    } else {
        delete cp;
        deleteAbove(level().baseSequenceId);
    }
}

void KvUndoManager::enforceLimit(uint64_t limit) {
    while (inLevelCount() > limit)
        if (!releaseOldest()) break;
}

bool KvUndoManager::releaseOldest() {
    if (levels_.size() > 1) {
        // Inside a pushed level the oldest step is folded into the checkpoint
        // just before the level, so the level still undoes as a whole.
        uint64_t base = level().baseSequenceId;
        for (size_t i = 0; i < checkpoints_.size(); ++i) {
            if (checkpoints_[i]->getSequenceId() + 1 != base) continue;
            if (i == 0 || checkpoints_[i - 1] == open_) return false;
            KvUndoCheckpoint* newer = checkpoints_[i - 1];
            checkpoints_.removeAt(i - 1);
            checkpoints_[i - 1]->merge(newer);
            delete newer;
            return true;
        }
        return false;
    }
    if (checkpoints_.empty() || checkpoints_.back() == open_) return false;
    KvUndoCheckpoint* oldest = checkpoints_.back();
    checkpoints_.pop_back();
    oldest->pruneBefore();
    undoFloor_ = oldest->getSequenceId();
    delete oldest;
    return true;
}

// --- registration

void KvUndoManager::objectCreated(KvUndoObject* obj) {
    if (!obj || restoring_ || quiet_) return;
    Busy busy(*this);
    if (!isolation_) openOnDemand();
    KvUndoMonitor* m;
    if (KvUndoObjectMap::Entry* e = monitors_.find(obj)) {
        m = e->monitor;
    } else {
        uint64_t seq = !isolation_ && open_ ? open_->getSequenceId() : 0;
        m = level().stepLimit != 0 ? makeMonitor(obj, seq, isolation_) : nullptr;
        monitors_.insert(obj, m, isolation_);
    }
    if (open_ && !isolation_) open_->add(m);
}

void KvUndoManager::objectChanged(KvUndoObject* obj) {
    if (!obj || restoring_ || quiet_) return;
    Busy busy(*this);
    openOnDemand();
    KvUndoObjectMap::Entry* e = monitors_.find(obj);
    KvUndoMonitor* m = e ? e->monitor : nullptr;
    if (!m && e && level().stepLimit == 0) {
        e->isolated = isolation_;  // undo is off: nothing to record
    } else if (!m) {
        m = level().stepLimit != 0 ? makeMonitor(obj, 0, isolation_) : nullptr;
        e = monitors_.find(obj);  // making the monitor ran the object's code
        if (e) {
            if (e->monitor) e->monitor->unref();
            e->monitor = m;
            e->isolated = isolation_;
        } else {
            monitors_.insert(obj, m, isolation_);
        }
    }
    if (open_) open_->add(m);
}

void KvUndoManager::objectDestroyed(KvUndoObject* obj) {
    if (!obj || !monitors_.find(obj)) return;
    Busy busy(*this);
    openOnDemand();
    KvUndoObjectMap::Entry* e = monitors_.find(obj);
    if (!e) return;
    KvUndoMonitor* m = monitors_.erase(e);
    if (!open_ || restoring_) {
        if (m && m->getObject()) m->objectDestroyed();
    } else {
        open_->destroy(m);
    }
    if (m) m->unref();
}

// --- limits

uint64_t KvUndoManager::getMaxSteps() const { return level().disabled ? 0 : level().stepLimit; }

void KvUndoManager::giveBaselines() {
    monitors_.forEach([this](size_t i) {
        if (monitors_.at(i).monitor) return;
        KvUndoObject* obj = monitors_.at(i).object;
        bool isolated = monitors_.at(i).isolated;
        bool saved = isolation_;
        isolation_ = isolated;
        KvUndoMonitor* m;
        try {
            m = makeMonitor(obj, 0, isolated);
        } catch (...) {
            isolation_ = saved;
            throw;
        }
        isolation_ = saved;
        KvUndoObjectMap::Entry& e = monitors_.at(i);
        if (e.dead) {
            m->objectDestroyed();
            m->unref();
        } else {
            e.monitor = m;
        }
    });
    // Each call may run the object's code, which may drop entries: hold the
    // monitor while it works.
    auto eachStateless = [this](auto call) {
        monitors_.forEach([this, &call](size_t i) {
            KvUndoMonitor* m = monitors_.at(i).monitor;
            if (!m || m->getNumStates() != 0) return;
            m->ref();
            try {
                call(m);
            } catch (...) {
            }
            m->unref();
        });
    };
    eachStateless([](KvUndoMonitor* m) { m->prepareToUpdate(); });
    eachStateless([](KvUndoMonitor* m) { m->updateState(); });
}

void KvUndoManager::forgetAll() {
    open_ = nullptr;
    kv::vector<KvUndoCheckpoint*> old;
    old.swap(checkpoints_);
    for (KvUndoCheckpoint* cp : static_cast<const kv::vector<KvUndoCheckpoint*>&>(old))
        delete cp;
    // The entries stay, so that the objects get monitors again when undo is
    // switched back on.
    monitors_.forEach([this](size_t i) {
        KvUndoMonitor* m = monitors_.at(i).monitor;
        if (!m) return;
        monitors_.at(i).monitor = nullptr;
        m->objectDestroyed();
        m->unref();
    });
    undoFloor_ = 1;
    nextSequenceId_ = 2;
    currentSequenceId_ = 0;
}

void KvUndoManager::setMaxSteps(uint64_t n) {
    if (restoring_ || closing_) return;
    Busy busy(*this);
    KvActionLock lock;
    uint64_t current = level().stepLimit;
    uint64_t base = level().baseSequenceId;
    if (n > current) {
        if (current == 0) giveBaselines();
        level() = KvUndoLevel{n == 0, n, base};
        return;
    }
    if (n == current) return;
    uint64_t k = n;
    bool closeOpen = false;
    if (n == 0 && levels_.size() >= 2 && levels_[levels_.size() - 2].stepLimit != 0) {
        // Inside a level whose parent keeps history: keep this level's work as
        // one step rather than losing it.
        k = 1;
        closeOpen = true;
    }
    if (k >= current) return;
    uint64_t recorded = k;
    if (k != 0) {
        if (open_ && closeOpen) {
            close();
            --k;
        }
        if (!open_) {
            while (checkpoints_.size() > k && checkpoints_.front()->getSequenceId() > currentSequenceId_) {
                KvUndoCheckpoint* cp = checkpoints_.front();
                checkpoints_.pop_front();
                cp->pruneAfter();
                delete cp;
            }
        }
        enforceLimit(k);
    } else {
        forgetAll();
    }
    level() = KvUndoLevel{n == 0, recorded, base};
}

void KvUndoManager::truncate() {
    if (busy_ != 0 || restoring_) return;
    uint64_t limit = getMaxSteps();
    if (limit == 0) return;
    setMaxSteps(0);
    setMaxSteps(limit);
}

// --- steps

void KvUndoManager::mark(const KvString& description) {
    if (level().disabled || restoring_ || closing_) return;
    Busy busy(*this);
    {
        std::optional<KvActionLock> lock;
        if (hasRedoSteps()) lock.emplace();
        pruneRedo();
    }
    if (open_) {
        open_->setDescription(description);
        close();
    }
}

void KvUndoManager::collapseOpenCheckpoint() {
    if (!open_ || closing_) return;
    Busy busy(*this);
    closing_ = true;
    try {
        open_->updateStates();
    } catch (...) {
        closing_ = false;
        throw;
    }
    closing_ = false;
    foldOpen();
}

bool KvUndoManager::applyRestore(KvUndoCheckpoint* cp, uint64_t target) {
    restoring_ = true;
    currentSequenceId_ = target;
    bool ok = true;
    try {
        KvRefPtr<KvDelayedFunction> restore(new KvDelayedUndoRestore(cp, target));
        KvActionQueue::run(restore.get());
    } catch (...) {
        ok = false;
    }
    runDeferred(delayedUndoActions_);
    restoring_ = false;
    runDeferred(postUndoActions_);
    return ok;
}

void KvUndoManager::runDeferred(kv::vector<KvRefPtr<KvDelayedFunction>>& list) {
    // A function may queue another of its kind: run until none is left.
    while (!list.empty()) {
        kv::vector<KvRefPtr<KvDelayedFunction>> fns;
        fns.swap(list);
        for (const KvRefPtr<KvDelayedFunction>& f : std::as_const(fns)) {
            try {
                KvActionQueue::add(f.get());
            } catch (...) {
            }
        }
        fns.clear();  // the queue holds them now
        KvActionQueue::process();
    }
}

bool KvUndoManager::undo() {
    if (KvActionQueue::isProcessing() || restoring_ || closing_ || inLevelCount() == 0) return false;
    Busy busy(*this);
    close();
    uint64_t base = level().baseSequenceId;
    for (size_t i = 0; i < checkpoints_.size() && checkpoints_[i]->getSequenceId() >= base; ++i) {
        KvUndoCheckpoint* cp = checkpoints_[i];
        if (cp->getSequenceId() > currentSequenceId_) continue;  // undone already
        // Back to the step before, not to "id - 1": ids of dropped and merged
        // steps leave gaps.
        uint64_t target = i + 1 < checkpoints_.size() ? checkpoints_[i + 1]->getSequenceId() : undoFloor_;
        return applyRestore(cp, target);
    }
    return false;
}

bool KvUndoManager::redo() {
    if (KvActionQueue::isProcessing() || checkpoints_.empty() || restoring_ || closing_) return false;
    Busy busy(*this);
    if (open_) {
        // A fresh step leaves nothing to redo.
        close();
        return false;
    }
    KvUndoCheckpoint* cp = nullptr;
    for (size_t i = 0; i < checkpoints_.size() && checkpoints_[i]->getSequenceId() > currentSequenceId_; ++i)
        cp = checkpoints_[i];
    if (!cp) return false;
    return applyRestore(cp, cp->getSequenceId());
}

void KvUndoManager::getUndoList(kv::vector<KvString>& list) {
    list.clear();
    if (level().disabled) return;
    Busy busy(*this);
    close();
    uint64_t base = level().baseSequenceId;
    for (size_t i = 0; i < checkpoints_.size() && checkpoints_[i]->getSequenceId() >= base; ++i)
        if (checkpoints_[i]->getSequenceId() <= currentSequenceId_) list.push_back(checkpoints_[i]->getDescription());
}

void KvUndoManager::getRedoList(kv::vector<KvString>& list) {
    list.clear();
    if (level().disabled) return;
    Busy busy(*this);
    close();
    uint64_t base = level().baseSequenceId;
    for (size_t i = checkpoints_.size(); i-- > 0;) {
        uint64_t seq = checkpoints_[i]->getSequenceId();
        if (list.empty() && !(seq > currentSequenceId_ && seq >= base)) continue;
        list.push_back(checkpoints_[i]->getDescription());
    }
}

// --- levels

void KvUndoManager::pushUndoLevel() {
    if (restoring_ || closing_) return;
    Busy busy(*this);
    close();
    openOnDemand();
    if (open_) {
        // An empty marker just before the level's steps: the level folds into
        // it when it is popped.
        open_->setDescription("Start of pushed level");
        currentSequenceId_ = open_->getSequenceId();
        open_ = nullptr;
    }
    KvUndoLevel next = level();
    next.baseSequenceId = checkpoints_.empty() ? 1 : checkpoints_.front()->getSequenceId() + 1;
    levels_.push_back(next);
}

void KvUndoManager::popUndoLevel(const KvString& description) {
    if (levels_.size() < 2) {
        busy_ = 0;
        throw KvExcept("KvUndo::popUndoLevel: stack underflow");
    }
    if (restoring_ || closing_) return;
    Busy busy(*this);
    KvActionLock lock;
    close();
    pruneRedo();
    uint64_t base = level().baseSequenceId;
    size_t t = checkpoints_.size();
    for (size_t i = checkpoints_.size(); i-- > 0;) {
        if (checkpoints_[i]->getSequenceId() + 1 == base) {
            t = i;
            break;
        }
    }
    if (t < checkpoints_.size()) {
        KvUndoCheckpoint* target = checkpoints_[t];
        for (size_t j = t; j-- > 0;) {
            target->merge(checkpoints_[j]);
            delete checkpoints_[j];
        }
        checkpoints_.erase(checkpoints_.cbegin(), checkpoints_.cbegin() + t);
        target->setDescription(description);
        currentSequenceId_ = target->getSequenceId();
        if (target->getNumObjects() == 0) {
            dropCheckpoint(target);
            if (!checkpoints_.empty()) currentSequenceId_ = checkpoints_.front()->getSequenceId();
        }
    }
    levels_.pop_back();
    // The level now counts as one step of the level below: trim to its limit.
    uint64_t limit = level().stepLimit;
    level().stepLimit = limit + 1;
    setMaxSteps(limit);
}

// --- memory

bool KvUndoManager::releaseOldSteps() {
    if (busy_ != 0) return false;
    Busy busy(*this);
    if (!open_) {
        std::optional<KvActionLock> lock;
        if (hasRedoSteps()) lock.emplace();
        if (pruneRedo()) return true;
    }
    // Ranges of closed checkpoints per level, top level first; the checkpoint
    // just older than a pushed level's range (its marker) belongs to none.
    struct Range {
        size_t begin, end;
    };
    std::vector<Range> ranges(levels_.size());
    size_t i = open_ && !checkpoints_.empty() && checkpoints_.front() == open_ ? 1 : 0;
    for (size_t l = levels_.size(); l-- > 0;) {
        uint64_t base = l == 0 ? 1 : levels_[l].baseSequenceId;
        size_t begin = i;
        while (i < checkpoints_.size() && checkpoints_[i]->getSequenceId() >= base)
            ++i;
        ranges[l] = Range{begin, i};
        if (l > 0 && i < checkpoints_.size()) ++i;
    }
    for (size_t l = 0; l < ranges.size(); ++l) {
        Range r = ranges[l];
        if (r.end - r.begin < 2) continue;
        // Everything but the newest step of the range goes, oldest first.
        if (l == 0) {
            for (size_t j = r.end; j-- > r.begin + 1;) {
                KvUndoCheckpoint* cp = checkpoints_[j];
                cp->pruneBefore();
                undoFloor_ = cp->getSequenceId();
                delete cp;
            }
        } else {
            if (r.end >= checkpoints_.size()) return false;
            KvUndoCheckpoint* marker = checkpoints_[r.end];
            for (size_t j = r.end; j-- > r.begin + 1;) {
                marker->merge(checkpoints_[j]);
                delete checkpoints_[j];
            }
        }
        checkpoints_.erase(checkpoints_.cbegin() + r.begin + 1, checkpoints_.cbegin() + r.end);
        return true;
    }
    return false;
}

// --- deferred work

void KvUndoManager::addDelayedUndoAction(KvDelayedFunction* f) {
    if (!restoring_) throw KvExcept("KvUndo::addDelayedUndoAction: called when not restoring");
    if (f) delayedUndoActions_.push_back(f);
}

void KvUndoManager::addPostUndoAction(KvDelayedFunction* f) {
    if (!restoring_) throw KvExcept("KvUndo::addPostUndoAction: called when not restoring");
    if (f) postUndoActions_.push_back(f);
}

const KvUndoObject* KvUndoManager::defaultHookOf_ = nullptr;

void KvUndoManager::resetCachedValues() {
    for (KvUndoObject* obj : monitors_.takeResetCandidates()) {
        KvUndoObjectMap::Entry* e = monitors_.find(obj);
        if (!e || e->reset == KvUndoObjectMap::kResetNothing) continue;
        bool asking = e->reset == KvUndoObjectMap::kResetUnknown;
        bool nothing = false;
        clearDefaultHook();
        try {
            obj->resetCachedValues();
            nothing = asking && reachedDefaultHook(obj);
        } catch (...) {
        }
        e = monitors_.find(obj);  // the call may have changed the map
        if (!e) continue;
        e->reset = nothing ? KvUndoObjectMap::kResetNothing : KvUndoObjectMap::kResetDoes;
        if (!nothing) monitors_.keepResettable(obj);
    }
}

// --- references

KvUndoReference KvUndoManager::reference(const KvUndoObject* obj) {
    KvUndoObjectMap::Entry* e = monitors_.find(obj);
    return e && e->monitor ? KvUndoReference(e->monitor) : KvUndoReference();
}

KvUndoObject* KvUndoManager::dereference(const KvUndoReference& ref) {
    auto* m = static_cast<KvUndoMonitor*>(const_cast<void*>(ref.getValue()));
    if (!m) return nullptr;
    // A rebuilt object must not register itself: its monitor files it.
    bool saved = quiet_;
    quiet_ = true;
    try {
        m->restore(currentSequenceId_);
    } catch (...) {
        quiet_ = saved;
        throw;
    }
    quiet_ = saved;
    return m->getObject();
}

KvTypeId KvUndoManager::getReferenceTypeId(const KvUndoReference& ref) {
    auto* m = static_cast<const KvUndoMonitor*>(ref.getValue());
    return m ? m->getObjectTypeId() : KvTypeId();
}

void KvUndoManager::remapMonitor(KvUndoMonitor* monitor) {
    KvUndoObject* obj = monitor ? monitor->getObject() : nullptr;
    if (!obj) return;
    monitor->ref();
    if (KvUndoObjectMap::Entry* e = monitors_.find(obj)) {
        KvUndoMonitor* old = e->monitor;
        e->monitor = monitor;
        e->isolated = false;
        if (old) old->unref();
    } else {
        monitors_.insert(obj, monitor, false);
    }
}

void KvUndoManager::removeMonitor(KvUndoMonitor* monitor) {
    KvUndoObject* obj = monitor ? monitor->getObject() : nullptr;
    KvUndoObjectMap::Entry* e = monitors_.find(obj);
    if (!e || e->monitor != monitor) return;
    monitors_.erase(e);
    // From the monitor's own destructor the count is already spent.
    if (monitor->getRefCount() > 0) monitor->unref();
}
