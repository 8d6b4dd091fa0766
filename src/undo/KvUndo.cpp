#include <KvUndo.h>

#include <KvUndoManager.h>

namespace {
KvUndoManager* engine() { return KvUndoManager::get(); }
}  // namespace

namespace KvUndo {

void setMaxSteps(uint64_t n) {
    if (KvUndoManager* m = engine()) m->setMaxSteps(n);
}

uint64_t getMaxSteps() {
    KvUndoManager* m = engine();
    return m ? m->getMaxSteps() : 0;
}

void setIsolationMode(bool on) {
    if (KvUndoManager* m = engine()) m->setIsolationMode(on);
}

bool getIsolationMode() {
    KvUndoManager* m = engine();
    return m && m->getIsolationMode();
}

void objectCreated(KvUndoObject* obj) {
    if (KvUndoManager* m = engine()) m->objectCreated(obj);
}

void objectChanged(KvUndoObject* obj) {
    // Every notification passes here, restores included: keep that path short.
    KvUndoManager* m = engine();
    if (m && !m->isRestoring()) m->objectChanged(obj);
}

void objectDestroyed(KvUndoObject* obj) {
    // Nothing to tell an engine that was never made, or is gone.
    if (KvUndoManager* m = KvUndoManager::existing()) m->objectDestroyed(obj);
}

void mark(const KvString& description) {
    if (KvUndoManager* m = engine()) m->mark(description);
}

void mark(const char* description) {
    if (description) mark(KvString(description));
}

void collapseOpenCheckpoint() {
    if (KvUndoManager* m = engine()) m->collapseOpenCheckpoint();
}

bool undo() {
    KvUndoManager* m = engine();
    return m && m->undo();
}

bool redo() {
    KvUndoManager* m = engine();
    return m && m->redo();
}

void getUndoList(kv::vector<KvString>& list) {
    if (KvUndoManager* m = engine())
        m->getUndoList(list);
    else
        list.clear();
}

void getRedoList(kv::vector<KvString>& list) {
    if (KvUndoManager* m = engine())
        m->getRedoList(list);
    else
        list.clear();
}

void pushUndoLevel() {
    if (KvUndoManager* m = engine()) m->pushUndoLevel();
}

void popUndoLevel(const KvString& description) {
    if (KvUndoManager* m = engine()) m->popUndoLevel(description);
}

void truncate() {
    if (KvUndoManager* m = engine()) m->truncate();
}

bool releaseOldSteps() {
    // An engine that was never used has nothing to give back.
    KvUndoManager* m = KvUndoManager::existing();
    return m && m->releaseOldSteps();
}

void addDelayedUndoAction(KvDelayedFunction* f) {
    if (KvUndoManager* m = engine()) m->addDelayedUndoAction(f);
}

void addPostUndoAction(KvDelayedFunction* f) {
    if (KvUndoManager* m = engine()) m->addPostUndoAction(f);
}

KvUndoReference reference(const KvUndoObject* obj) {
    KvUndoManager* m = engine();
    return m ? m->reference(obj) : KvUndoReference();
}

KvUndoReference reference(KvUndoObject* obj) { return reference(static_cast<const KvUndoObject*>(obj)); }

KvUndoObject* dereference(const KvUndoReference& ref) {
    KvUndoManager* m = engine();
    return m ? m->dereference(ref) : nullptr;
}

KvTypeId getReferenceTypeId(const KvUndoReference& ref) {
    KvUndoManager* m = engine();
    return m ? m->getReferenceTypeId(ref) : KvTypeId();
}

void remapMonitor(KvUndoMonitor* monitor) {
    if (KvUndoManager* m = KvUndoManager::existing()) m->remapMonitor(monitor);
}

void removeMonitor(KvUndoMonitor* monitor) {
    if (KvUndoManager* m = KvUndoManager::existing()) m->removeMonitor(monitor);
}

uint64_t getCurrentSequenceId() {
    KvUndoManager* m = engine();
    return m ? m->getCurrentSequenceId() : 0;
}

size_t getNumCheckpoints() {
    KvUndoManager* m = engine();
    return m ? m->getNumCheckpoints() : 0;
}

void setMainThreadId() {}
void resetMainThreadId() {}
void dump() {}

}  // namespace KvUndo
