#pragma once

#include <KvUndoScalarDatum.h>

class KvUndoBoolDatumState;

// An undoable flag.
class KV_BASE_EXPORT KvUndoBoolDatum : public KvUndoScalarDatum<bool, KvUndoBoolDatumState> {
    KV_TYPE_HEADER(KvUndoBoolDatum)
public:
    using KvUndoScalarDatum::KvUndoScalarDatum;
};

// getState() makes one: every user of the datum sees its state class.
#include <KvUndoBoolDatumState.h>
