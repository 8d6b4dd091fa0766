#pragma once

#include <KvObservedObject.h>
#include <KvUndoReference.h>

class KvUndoState;

// An object whose changes can be undone.
//
// It reports its birth (constructor), each change (preNotification, which
// every notification passes) and its death (destructor) to KvUndo, and hands
// out snapshots of itself (getState) when a step closes. On undo and redo its
// monitor writes a snapshot back (then signalUndoChange tells the observers
// that do not take part in undo), rebuilds the object from one, or destroys
// it. Undo objects that observe each other are restored from their own
// states, so they never hear about a restore.
class KV_BASE_EXPORT KvUndoObject : public KvObservedObject {
    KV_TYPE_HEADER(KvUndoObject)
public:
    KvUndoObject();
    ~KvUndoObject() override;

    bool canUndo() const override { return true; }

    // A handle that survives deletion and re-creation of this object by undo.
    virtual KvUndoReference reference() const;
    // Called on each changed object before any state of a closing step is taken.
    virtual void prepareToSaveState() const;
    // A new state describing the object now, owned by the caller, or null.
    virtual KvUndoState* getState() const = 0;
    // True for objects whose changes alone do not make an undo step.
    virtual bool isIncidental() const;
    // Called after each undo and redo on every registered object whose class
    // overrides it.
    //
    // This hook, prerestore(), postrestore(), prepareToSaveState() and
    // isIncidental() are empty (or false) by default, and most classes keep
    // them so. An override must not call the default: reaching it tells the
    // engine that the object has nothing to do there, and the engine stops
    // calling that hook for the object.
    virtual void resetCachedValues();

    // The object that KvUndo::dereference gives for `ref`.
    static KvGenre* dereference(const KvUndoReference& ref);

protected:
    // A copy is a new object to the history: it shares nothing with `o` there.
    KvUndoObject(const KvUndoObject& o);
    // For recreateObject(): not registered; the monitor files the object.
    explicit KvUndoObject(const KvUndoState& state);
    KvUndoObject& operator=(const KvUndoObject& o);

    void preNotification() override;
    // Tells the observers that do not take part in undo that a restore changed
    // this object.
    virtual void signalUndoChange();
    // Runs before a restore of this object; the result goes to postrestore().
    virtual bool prerestore();
    virtual void postrestore(bool prerestoreResult);

    void restoreState(const KvUndoState& state);

private:
    friend class KvUndoMonitor;
};
