#include <KvUndoCheckpoint.h>

#include <KvUndoMonitor.h>

#include <functional>
#include <vector>

namespace {
uint32_t lastSerial = 0;
bool wrapped = false;

uint32_t nextSerial() {
    if (++lastSerial == 0) {
        lastSerial = 1;  // 0 means "in no open step"
        wrapped = true;
    }
    return lastSerial;
}
}  // namespace

bool KvUndoCheckpoint::serialsWrapped() {
    bool w = wrapped;
    wrapped = false;
    return w;
}

void KvUndoCheckpoint::forgetSerial() {
    for (KvUndoMonitor* m : monitors_.ordered())
        if (m->openStep_ == serial_) m->openStep_ = 0;
}

KvUndoCheckpoint::KvUndoCheckpoint(uint64_t sequenceId)
    : serial_(nextSerial()), rebuildsAtOpen_(KvUndoMonitor::rebuilds()), sequenceId_(sequenceId) {}

KvUndoCheckpoint::~KvUndoCheckpoint() {
    std::vector<KvUndoMonitor*> held = monitors_.takeAll();
    std::vector<KvUndoMonitor*> late = late_.takeAll();
    dropped_.takeAll();
    for (KvUndoMonitor* m : held)
        release(m);
    for (KvUndoMonitor* m : late)
        m->unref();
}

bool KvUndoCheckpoint::holds(const KvUndoMonitor* m) const { return m->openStep_ == serial_; }

void KvUndoCheckpoint::hold(KvUndoMonitor* m) {
    noPrerestore_ = false;
    if (!m->skipsPrepare()) prepareNeeded_ = true;
    monitors_.append(m);
    m->openStep_ = serial_;
}

void KvUndoCheckpoint::release(KvUndoMonitor* m) {
    if (m->openStep_ == serial_) m->openStep_ = 0;
    m->unref();
}

void KvUndoCheckpoint::add(KvUndoMonitor* monitor) {
    if (!monitor || holds(monitor)) return;
    if (!updating_) {
        hold(monitor);
        monitor->ref();
    } else if (late_.insert(monitor)) {
        monitor->ref();
    }
}

void KvUndoCheckpoint::destroy(KvUndoMonitor* monitor) {
    if (!monitor) return;
    if (!monitor->markDestroyed(sequenceId_)) {
        add(monitor);
        return;
    }
    // Born and gone within this step: no trace of it is kept.
    if (!holds(monitor)) return;
    if (updating_) {
        dropped_.insert(monitor);
    } else {
        monitors_.remove(monitor);
        release(monitor);
    }
}

void KvUndoCheckpoint::updateStates() {
    updating_ = true;
    // Most objects keep the empty hooks: then the pass would only touch them.
    if (prepareNeeded_ || rebuildsAtOpen_ != KvUndoMonitor::rebuilds()) {
        for (KvUndoMonitor* m : monitors_.ordered()) {
            try {
                m->prepareToUpdate();
            } catch (...) {
            }
        }
    }
    while (!late_.empty() || !dropped_.empty()) {
        for (KvUndoMonitor* m : dropped_.takeAll())
            if (monitors_.remove(m)) release(m);
        for (KvUndoMonitor* m : late_.takeAll()) {
            if ((m->isDestroyed() && m->isTemporary()) || holds(m)) {
                m->unref();
            } else {
                hold(m);
                try {
                    m->prepareToUpdate();
                } catch (...) {
                }
            }
        }
    }
    // Only objects whose state really changed stay in the step.
    const std::vector<KvUndoMonitor*>& all = monitors_.ordered();
    std::vector<KvUndoMonitor*> kept, unchanged;
    kept.reserve(all.size());
    for (KvUndoMonitor* m : all) {
        bool changed = false;
        try {
            changed = m->updateState();
        } catch (...) {
        }
        (changed ? kept : unchanged).push_back(m);
    }
    monitors_.assignSorted(std::move(kept));
    for (KvUndoMonitor* m : unchanged)
        release(m);
    // Whatever a getState() changed now comes too late for this step.
    for (KvUndoMonitor* m : dropped_.takeAll())
        if (monitors_.remove(m)) release(m);
    for (KvUndoMonitor* m : late_.takeAll())
        m->unref();
    updating_ = false;
}

bool KvUndoCheckpoint::isIncidental() {
    for (KvUndoMonitor* m : monitors_.ordered())
        if (!m->isIncidental()) return false;
    return true;
}

void KvUndoCheckpoint::merge(KvUndoCheckpoint* other) {
    if (!other || other->sequenceId_ <= sequenceId_) return;
    try {
        std::vector<KvUndoMonitor*> theirs = other->monitors_.takeAll();
        const std::vector<KvUndoMonitor*>& mine = monitors_.ordered();
        std::vector<KvUndoMonitor*> merged;
        merged.reserve(mine.size() + theirs.size());
        std::less<const KvUndoMonitor*> before;
        size_t i = 0, j = 0;
        while (i < mine.size() || j < theirs.size()) {
            if (j == theirs.size() || (i < mine.size() && before(mine[i], theirs[j]))) {
                merged.push_back(mine[i++]);
            } else if (i == mine.size() || before(theirs[j], mine[i])) {
                merged.push_back(theirs[j++]);
            } else {
                merged.push_back(mine[i++]);
                other->release(theirs[j++]);  // present in both: one reference is enough
            }
        }
        noPrerestore_ = false;
        monitors_.assignSorted(std::move(merged));
        const std::vector<KvUndoMonitor*>& all = monitors_.ordered();
        std::vector<KvUndoMonitor*> kept, gone;
        kept.reserve(all.size());
        for (KvUndoMonitor* m : all) {
            if (m->openStep_ == other->serial_) m->openStep_ = serial_;
            (m->compress(sequenceId_, other->sequenceId_) ? gone : kept).push_back(m);
        }
        monitors_.assignSorted(std::move(kept));
        for (KvUndoMonitor* m : gone)
            release(m);
    } catch (...) {
    }
}

void KvUndoCheckpoint::pruneBefore() {
    // The engine deletes the checkpoint next: let go of each monitor in the
    // same pass instead of visiting it once more from the destructor.
    std::vector<KvUndoMonitor*> all = monitors_.takeAll();
    for (KvUndoMonitor* m : all) {
        m->pruneBefore(sequenceId_);
        release(m);
    }
}

void KvUndoCheckpoint::pruneAfter() {
    const std::vector<KvUndoMonitor*>& all = monitors_.ordered();
    std::vector<KvUndoMonitor*> kept, done;
    kept.reserve(all.size());
    for (KvUndoMonitor* m : all) {
        (m->pruneAfter(sequenceId_) ? done : kept).push_back(m);
    }
    monitors_.assignSorted(std::move(kept));
    for (KvUndoMonitor* m : done)
        release(m);
}

void KvUndoCheckpoint::restore(uint64_t target) {
    // Three passes in address order: prerestore, restore, postrestore. Most
    // objects have no hooks; a pass that would only call empty ones is left
    // out, so that a large step touches each object once.
    const std::vector<KvUndoMonitor*>& all = monitors_.ordered();
    if (!noPrerestore_ || rebuildsSeen_ != KvUndoMonitor::rebuilds()) {
        bool none = true;
        for (KvUndoMonitor* m : all) {
            try {
                m->prerestore(target);
            } catch (...) {
            }
            none = none && m->skipsPrerestore();
        }
        noPrerestore_ = none;
        rebuildsSeen_ = KvUndoMonitor::rebuilds();
    }
    std::vector<KvUndoMonitor*> after;
    for (KvUndoMonitor* m : all) {
        try {
            m->restore(target);
        } catch (...) {
            // One object that cannot be restored must not stop the others.
        }
        if (m->needsPostrestore()) after.push_back(m);
    }
    for (KvUndoMonitor* m : after) {
        try {
            m->postrestore();
        } catch (...) {
        }
    }
}
