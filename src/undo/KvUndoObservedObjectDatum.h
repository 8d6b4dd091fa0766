#pragma once

#include <KvUndoDatum.h>

// An undoable pointer to an observed object. The datum observes the object it
// holds and follows it when the model replaces or joins it; a split leaves it
// empty, and so does the object's destruction.
//
// Its states are left to subclasses: they record the held object as a
// KvUndoReference (see KvUndoObservedObjectDatumState), so that a restore
// finds the object again even after undo rebuilt it.
class KV_BASE_EXPORT KvUndoObservedObjectDatum : public KvUndoDatum {
    KV_TYPE_HEADER(KvUndoObservedObjectDatum)
public:
    KvUndoObservedObjectDatum();
    explicit KvUndoObservedObjectDatum(KvObservedObject* obj);
    KvUndoObservedObjectDatum(const KvUndoObservedObjectDatum& o);
    ~KvUndoObservedObjectDatum() override;
    // Moves the observation to the other's object; records no change.
    KvUndoObservedObjectDatum& operator=(const KvUndoObservedObjectDatum& o);

    KvObservedObject* get() const { return object_; }
    // Records the change and tells the observers, unless `obj` is held already.
    virtual void set(KvObservedObject* obj);

    void handleJoinAction(KvJoinAction* action) override;
    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleUpdateAction(KvUpdateAction* action) override;
    void handleCosmeticAction(KvCosmeticAction* action) override;

protected:
    // Holds `obj` instead of the current object, moving the observation;
    // returns the object held before. Tells nobody.
    KvObservedObject* exchange(KvObservedObject* obj);
    // True when `action` is about the held object; else reports it as a stray.
    bool isAboutHeld(KvAction* action);

private:
    friend class KvUndoObservedObjectDatumState;
    friend class KvUndoRefObjectDatumState;
    KvObservedObject* object_;
};
