#pragma once

#include <KvFollowsNothing.h>
#include <KvUndoObject.h>

// Base of the undo data: undo objects that hold one value each, so that a
// plain member becomes undoable by living in a datum. Setting the value
// records the change; undo writes the old value back and tells the datum's
// observers.
class KV_BASE_EXPORT KvUndoDatum : public KvFollowsNothing<KvUndoObject> {
    KV_TYPE_HEADER(KvUndoDatum)
public:
    KvUndoDatum();
    KvUndoDatum(const KvUndoDatum& o);
    ~KvUndoDatum() override;

    bool canUndo() const override { return true; }

protected:
    KvUndoDatum& operator=(const KvUndoDatum& o);
    // Runs after every change of the value: set, assignment and restore.
    virtual void valueChanged();
};
