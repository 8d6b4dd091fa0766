#pragma once

#include <KvUndoBoolDatum.h>
#include <KvUndoScalarDatumState.h>

// A recorded value of a KvUndoBoolDatum.
class KV_BASE_EXPORT KvUndoBoolDatumState : public KvUndoScalarDatumState<bool, KvUndoBoolDatum> {
public:
    using KvUndoScalarDatumState::KvUndoScalarDatumState;
};
