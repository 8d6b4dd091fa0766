#include <KvUndoIsolatedMonitor.h>

#include <KvExcept.h>

KvUndoIsolatedMonitor* KvUndoIsolatedMonitor::create(KvUndoObject* obj, uint64_t creationSequenceId) {
    if (!obj) throw KvExcept("KvUndoIsolatedMonitor created with null object");
    return new KvUndoIsolatedMonitor(obj, creationSequenceId);
}

KvUndoIsolatedMonitor::KvUndoIsolatedMonitor(KvUndoObject* obj, uint64_t creationSequenceId)
    : KvUndoMonitor(obj, creationSequenceId) {}

void KvUndoIsolatedMonitor::prepareToUpdate() {}
bool KvUndoIsolatedMonitor::updateState() { return false; }
void KvUndoIsolatedMonitor::restore(uint64_t) {}
