#pragma once

// Undo and redo of the object model: one history for the whole process.
//
// How it works
// ------------
// Undo never replays operations. Every KvUndoObject is registered with the
// engine from its construction to its destruction, and each one that has
// taken part in the history has a monitor (KvUndoMonitor) that keeps
// snapshots of it (KvUndoState), newest first, each stamped with a sequence
// id. Undo and redo bring every object of a step to the snapshot that was
// current at a target sequence id: by writing it back, by rebuilding a deleted
// object from it, or by destroying an object that did not exist yet.
//
// A step is a checkpoint (KvUndoCheckpoint), holding the monitors of the
// objects that changed in it. Sequence ids number checkpoints in the order
// they open; 0 is "before any checkpoint".
//
//  - A checkpoint opens lazily: the first change, creation or deletion of an
//    undo object after the previous step was closed opens it. Opening a step
//    after an undo discards the steps that could have been redone.
//  - While open it only collects monitors; no state is taken yet, however
//    often an object changes.
//  - States are taken when the checkpoint closes: at mark(), and at undo(),
//    redo(), undo level changes and list queries, which close it first. An
//    object whose new state equals its last one leaves the step; a step left
//    empty, or touching only incidental objects, is folded into the previous
//    step instead of becoming one of its own. An object created and deleted
//    inside one step leaves no trace.
//
// undo() walks the checkpoints of the current level from the newest, skips
// those already undone, and restores the first other one to the sequence id
// of the checkpoint before it (or the oldest reachable point, the undo
// floor); redo() restores the oldest undone checkpoint to its own id. The
// restore runs as one delayed function inside the action queue, so it is
// refused while the queue is processing; restored objects notify only
// observers whose canUndo() is false (undo objects restore themselves), and
// functions queued with addDelayedUndoAction / addPostUndoAction run after.
// A failure restoring one object is dropped for that object alone.
//
// The engine is off until setMaxSteps() sets a limit; raising it from 0 gives
// every registered object a baseline state. Old steps leave through the
// limit, truncate() and the memory cleaner (releaseOldSteps). Undo levels nest
// temporary sub-histories that collapse into one step when popped.
//
// Single-threaded: everything here runs on the thread that runs the action
// queue. While a restore runs, changes are not recorded, and mark(), the
// limit and the level operations do nothing.

#include <KvBaseExport.h>
#include <KvString.h>
#include <KvTypeId.h>
#include <KvUndoManager.h>
#include <KvUndoReference.h>
#include <KvVector.h>

#include <cstddef>
#include <cstdint>

class KvDelayedFunction;
class KvUndoMonitor;
class KvUndoObject;

namespace KvUndo {

// The step limit of the current level; 0 (the start) turns recording off.
KV_BASE_EXPORT void setMaxSteps(uint64_t n);
KV_BASE_EXPORT uint64_t getMaxSteps();
// While on, new objects get monitors that record nothing.
KV_BASE_EXPORT void setIsolationMode(bool on);
KV_BASE_EXPORT bool getIsolationMode();

// Called by undo objects.
KV_BASE_EXPORT void objectCreated(KvUndoObject* obj);
KV_BASE_EXPORT void objectChanged(KvUndoObject* obj);
KV_BASE_EXPORT void objectDestroyed(KvUndoObject* obj);

// Ends the current step and names it. Null does nothing.
KV_BASE_EXPORT void mark(const KvString& description);
KV_BASE_EXPORT void mark(const char* description);
// Folds the open step into the previous one.
KV_BASE_EXPORT void collapseOpenCheckpoint();

// One step back or forward; true when a step was applied.
KV_BASE_EXPORT bool undo();
KV_BASE_EXPORT bool redo();
// Descriptions of the steps undo() and redo() would apply, next one first.
KV_BASE_EXPORT void getUndoList(kv::vector<KvString>& list);
KV_BASE_EXPORT void getRedoList(kv::vector<KvString>& list);

// A nested sub-history; popping turns all its steps into one step.
KV_BASE_EXPORT void pushUndoLevel();
// Throws "KvUndo::popUndoLevel: stack underflow" without a pushed level.
KV_BASE_EXPORT void popUndoLevel(const KvString& description);

// Forgets the whole history, keeping the limit.
KV_BASE_EXPORT void truncate();
// Forgets old steps to free memory; true when something was released.
KV_BASE_EXPORT bool releaseOldSteps();

// Inline: every update of an observed object asks.
inline bool isRestoring() {
    const KvUndoManager* m = KvUndoManager::existing();
    return m && m->isRestoring();
}
// Only while restoring: work for the end of the restore. The engine holds a
// reference until the function has been queued.
KV_BASE_EXPORT void addDelayedUndoAction(KvDelayedFunction* f);
KV_BASE_EXPORT void addPostUndoAction(KvDelayedFunction* f);

// Null when the object has no monitor (undo off, or never registered).
KV_BASE_EXPORT KvUndoReference reference(const KvUndoObject* obj);
KV_BASE_EXPORT KvUndoReference reference(KvUndoObject* obj);
// The object the reference names at present (rebuilt if need be), or null.
KV_BASE_EXPORT KvUndoObject* dereference(const KvUndoReference& ref);
KV_BASE_EXPORT KvTypeId getReferenceTypeId(const KvUndoReference& ref);

// Called by monitors.
KV_BASE_EXPORT void remapMonitor(KvUndoMonitor* monitor);
KV_BASE_EXPORT void removeMonitor(KvUndoMonitor* monitor);

KV_BASE_EXPORT uint64_t getCurrentSequenceId();
KV_BASE_EXPORT size_t getNumCheckpoints();

// Kept for callers that announce threads; the engine records nothing.
KV_BASE_EXPORT void setMainThreadId();
KV_BASE_EXPORT void resetMainThreadId();
KV_BASE_EXPORT void dump();

}  // namespace KvUndo
