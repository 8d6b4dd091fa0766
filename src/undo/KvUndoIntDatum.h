#pragma once

#include <KvUndoScalarDatum.h>

#include <cstdint>

class KvUndoIntDatumState;

// An undoable 64-bit signed integer.
class KV_BASE_EXPORT KvUndoIntDatum : public KvUndoScalarDatum<int64_t, KvUndoIntDatumState> {
    KV_TYPE_HEADER(KvUndoIntDatum)
public:
    using KvUndoScalarDatum::KvUndoScalarDatum;
};

// getState() makes one: every user of the datum sees its state class.
#include <KvUndoIntDatumState.h>
