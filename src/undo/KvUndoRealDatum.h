#pragma once

#include <KvUndoScalarDatum.h>

class KvUndoRealDatumState;

// An undoable real (a double).
class KV_BASE_EXPORT KvUndoRealDatum : public KvUndoScalarDatum<double, KvUndoRealDatumState> {
    KV_TYPE_HEADER(KvUndoRealDatum)
public:
    using KvUndoScalarDatum::KvUndoScalarDatum;
};

// getState() makes one: every user of the datum sees its state class.
#include <KvUndoRealDatumState.h>
