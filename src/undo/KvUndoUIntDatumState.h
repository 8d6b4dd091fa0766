#pragma once

#include <KvUndoScalarDatumState.h>
#include <KvUndoUIntDatum.h>

// A recorded value of a KvUndoUIntDatum.
class KV_BASE_EXPORT KvUndoUIntDatumState : public KvUndoScalarDatumState<uint64_t, KvUndoUIntDatum> {
public:
    using KvUndoScalarDatumState::KvUndoScalarDatumState;
};
