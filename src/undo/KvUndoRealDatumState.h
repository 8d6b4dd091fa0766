#pragma once

#include <KvUndoRealDatum.h>
#include <KvUndoScalarDatumState.h>

// A recorded value of a KvUndoRealDatum.
class KV_BASE_EXPORT KvUndoRealDatumState : public KvUndoScalarDatumState<double, KvUndoRealDatum> {
public:
    using KvUndoScalarDatumState::KvUndoScalarDatumState;
};
