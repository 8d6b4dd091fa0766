#pragma once

#include <KvUndoObservedObjectDatum.h>

// The undoable pointer to the process-wide shared-parameter-set manager
// stack.
class KV_BASE_EXPORT KvSharedParamSetManagerDatum : public KvUndoObservedObjectDatum {
    KV_TYPE_HEADER(KvSharedParamSetManagerDatum)
public:
    KvSharedParamSetManagerDatum();
    ~KvSharedParamSetManagerDatum() override;

    KvUndoState* getState() const override;
};
