#pragma once

#include <KvUndoIntDatum.h>
#include <KvUndoScalarDatumState.h>

// A recorded value of a KvUndoIntDatum.
class KV_BASE_EXPORT KvUndoIntDatumState : public KvUndoScalarDatumState<int64_t, KvUndoIntDatum> {
public:
    using KvUndoScalarDatumState::KvUndoScalarDatumState;
};
