#include <KvUndoCheckpoint.h>

#include <KvUndoMonitor.h>

#include <functional>
#include <vector>

KvUndoCheckpoint::KvUndoCheckpoint(uint64_t sequenceId) : sequenceId_(sequenceId) {}

KvUndoCheckpoint::~KvUndoCheckpoint() {
    std::vector<KvUndoMonitor*> held = monitors_.takeAll();
    std::vector<KvUndoMonitor*> late = late_.takeAll();
    dropped_.takeAll();
    for (KvUndoMonitor* m : held)
        m->unref();
    for (KvUndoMonitor* m : late)
        m->unref();
}

void KvUndoCheckpoint::add(KvUndoMonitor* monitor) {
    if (!monitor) return;
    if (!updating_) {
        if (monitors_.insert(monitor)) monitor->ref();
    } else if (!monitors_.contains(monitor) && late_.insert(monitor)) {
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
    if (updating_) {
        if (monitors_.contains(monitor)) dropped_.insert(monitor);
    } else if (monitors_.remove(monitor)) {
        monitor->unref();
    }
}

void KvUndoCheckpoint::updateStates() {
    updating_ = true;
    for (KvUndoMonitor* m : monitors_.ordered()) {
        try {
            m->prepareToUpdate();
        } catch (...) {
        }
    }
    while (!late_.empty() || !dropped_.empty()) {
        for (KvUndoMonitor* m : dropped_.takeAll())
            if (monitors_.remove(m)) m->unref();
        for (KvUndoMonitor* m : late_.takeAll()) {
            if (m->isDestroyed() && m->isTemporary()) {
                m->unref();
            } else if (monitors_.insert(m)) {
                try {
                    m->prepareToUpdate();
                } catch (...) {
                }
            } else {
                m->unref();
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
        m->unref();
    // Whatever a getState() changed now comes too late for this step.
    for (KvUndoMonitor* m : dropped_.takeAll())
        if (monitors_.remove(m)) m->unref();
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
                theirs[j++]->unref();  // present in both: one reference is enough
            }
        }
        monitors_.assignSorted(std::move(merged));
        const std::vector<KvUndoMonitor*>& all = monitors_.ordered();
        std::vector<KvUndoMonitor*> kept, gone;
        kept.reserve(all.size());
        for (KvUndoMonitor* m : all)
            (m->compress(sequenceId_, other->sequenceId_) ? gone : kept).push_back(m);
        monitors_.assignSorted(std::move(kept));
        for (KvUndoMonitor* m : gone)
            m->unref();
    } catch (...) {
    }
}

void KvUndoCheckpoint::pruneAfter() { prune(true); }

void KvUndoCheckpoint::pruneBefore() { prune(false); }

void KvUndoCheckpoint::prune(bool after) {
    const std::vector<KvUndoMonitor*>& all = monitors_.ordered();
    std::vector<KvUndoMonitor*> kept, done;
    kept.reserve(all.size());
    for (KvUndoMonitor* m : all) {
        bool finished = after ? m->pruneAfter(sequenceId_) : m->pruneBefore(sequenceId_);
        (finished ? done : kept).push_back(m);
    }
    monitors_.assignSorted(std::move(kept));
    for (KvUndoMonitor* m : done)
        m->unref();
}

void KvUndoCheckpoint::restore(uint64_t target) {
    const std::vector<KvUndoMonitor*>& all = monitors_.ordered();
    for (KvUndoMonitor* m : all) {
        try {
            m->prerestore(target);
        } catch (...) {
        }
    }
    for (KvUndoMonitor* m : all) {
        try {
            m->restore(target);
        } catch (...) {
            // One object that cannot be restored must not stop the others.
        }
    }
    for (KvUndoMonitor* m : all) {
        try {
            m->postrestore();
        } catch (...) {
        }
    }
}
