#pragma once

#include <KvUndoReference.h>
#include <KvUndoState.h>

class KvObservedObject;
class KvUndoObservedObjectDatum;

// A recorded pointer of a KvUndoObservedObjectDatum. Subclasses fill the
// reference with the held object's reference() and say which object a
// restore puts back (usually KvUndo::dereference of the reference).
class KV_BASE_EXPORT KvUndoObservedObjectDatumState : public KvUndoState {
public:
    explicit KvUndoObservedObjectDatumState(const KvUndoObservedObjectDatum& datum);
    ~KvUndoObservedObjectDatumState() override;

    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;
    // The object a restore puts into the datum.
    virtual KvObservedObject* getObservedObject() const = 0;

    const KvUndoReference& getReference() const { return reference_; }

protected:
    KvUndoReference reference_;
};
