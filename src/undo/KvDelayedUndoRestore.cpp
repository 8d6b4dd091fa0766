#include <KvDelayedUndoRestore.h>

#include <KvUndoCheckpoint.h>
#include <KvUndoManager.h>

KvDelayedUndoRestore::KvDelayedUndoRestore(KvUndoCheckpoint* checkpoint, uint64_t target)
    : checkpoint_(checkpoint), target_(target) {}

KvDelayedUndoRestore::~KvDelayedUndoRestore() { checkpoint_ = nullptr; }

void KvDelayedUndoRestore::execute() {
    KvUndoCheckpoint* cp = checkpoint_;
    checkpoint_ = nullptr;  // runs once
    // Only undo() and redo() run this, synchronously, with the engine
    // restoring; anything else would find the history changed under it.
    KvUndoManager* m = KvUndoManager::existing();
    if (!m || !m->isRestoring()) return;
    if (cp) cp->restore(target_);
    m->resetCachedValues();
}
