#pragma once

// The process-wide action queue.
//
// Every notification passes through here: observed objects append one entry
// (target, action) per observer, and a processing run delivers the entries in
// first-in, first-out order by calling action->process(target).
//
// Rules a caller can rely on:
//  - Not re-entrant. process() during a run returns false at once; entries
//    queued by a handler are delivered later in the same run.
//  - Locks (KvActionLock) hold delivery back; releasing the last one runs the
//    queue.
//  - Doom entries (delete actions) are delivered only while the normal list
//    is empty, so every purge reaches its observers before the object goes.
//  - A target destroyed after entries to it were queued is never called: its
//    destructor queues a marker, and entries queued before the marker skip
//    that address. Entries for a new object at the same address, queued after
//    the marker, are delivered. The doom list has markers of its own (and its
//    own table, so that a doom marker never hides a normal delivery): an
//    object deleted while a delete entry for it waits (deleteLater twice, or
//    on a dying object) is deleted once. Registered sub-queues are told of
//    every deletion too (KvActionSubQueue::clearTarget).
//  - An exception from a normal delivery is swallowed and the run goes on; one
//    from the doom or sub-queue phase ends the run, leaving the rest queued.
//
// Single-threaded by design: no locks; the thread that runs the queue owns the
// object model.

#include <KvActionObject.h>
#include <KvBaseExport.h>

#include <cstddef>

class KvAction;
class KvObjectList;
class KvActionSubQueue;
class KvDelayedFunction;
class KvObject;
class KvObservedObject;

class KV_BASE_EXPORT KvActionQueue {
public:
    static void add(KvObject* target, KvAction* action);
    // Queues `function` to run in queue order; does not process.
    static void add(KvDelayedFunction* function);
    // add(function), then process().
    static void run(KvDelayedFunction* function);
    // False when a run is under way or a lock is held. Never throws.
    static bool process();
    static bool isLocked();
    static bool isProcessing();
    // Deletes `obj` in the next run, after every normal delivery, whatever
    // its reference count. Asking again before then, or for an object that is
    // already dying, still deletes it once.
    static void deleteLater(KvObject* obj);
    // Called by every object's destructor.
    static void clearTarget(KvObject* obj);
    // The queue takes ownership.
    static void addSubQueue(KvActionSubQueue* sub);
    static void removeSubQueue(KvActionSubQueue* sub);
    static void setLogging(bool) {}
    static void initType();

    // Entries waiting (normal and doom lists), for diagnostics.
    static size_t getNumPending();

private:
    friend class KvActionLock;
    friend class KvObservedObject;
    // An object with delete entries still queued is going: skip them.
    static void clearDoomTarget(KvObservedObject* obj);
    // add(target, action), then process(). With nothing else to deliver
    // first, delivers at once and makes no entry: a single observer's update
    // is the common case.
    static void addAndProcess(KvObject* target, KvAction* action);
    KV_NOINLINE static void addThenProcess(KvObject* target, KvAction* action);
    // add(observer, action) for each observer on `observers` but
    // `originator`, in list order; true when any was queued.
    static bool addForEach(const KvObjectList& observers, KvAction* action, KvActionObject originator);
    class Impl;
    static void increaseLock();
    static bool decreaseLock();
};
