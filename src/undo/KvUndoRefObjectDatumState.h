#pragma once

#include <KvUndoObservedObjectDatumState.h>

class KvUndoRefObjectDatum;

// A recorded pointer of a KvUndoRefObjectDatum; a restore also moves the
// datum's reference to the restored object.
class KV_BASE_EXPORT KvUndoRefObjectDatumState : public KvUndoObservedObjectDatumState {
public:
    explicit KvUndoRefObjectDatumState(const KvUndoRefObjectDatum& datum);
    ~KvUndoRefObjectDatumState() override;

    void restoreObject(KvUndoObject* obj) const override;
};
