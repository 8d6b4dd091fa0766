#pragma once

#include <KvUndoScalarDatum.h>

#include <cstdint>

class KvUndoUIntDatumState;

// An undoable 64-bit unsigned integer.
class KV_BASE_EXPORT KvUndoUIntDatum : public KvUndoScalarDatum<uint64_t, KvUndoUIntDatumState> {
    KV_TYPE_HEADER(KvUndoUIntDatum)
public:
    using KvUndoScalarDatum::KvUndoScalarDatum;
};

// getState() makes one: every user of the datum sees its state class.
#include <KvUndoUIntDatumState.h>
