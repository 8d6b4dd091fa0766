#pragma once

#include <KvUndoObservedObjectDatumState.h>

class KvSharedParamSetManagerDatum;

// The stack a KvSharedParamSetManagerDatum held, as an undo reference.
class KV_BASE_EXPORT KvSharedParamSetManagerDatumState : public KvUndoObservedObjectDatumState {
public:
    explicit KvSharedParamSetManagerDatumState(const KvSharedParamSetManagerDatum& datum);
    ~KvSharedParamSetManagerDatumState() override;

    KvUndoObject* recreateObject() const override;
    KvObservedObject* getObservedObject() const override;
};
