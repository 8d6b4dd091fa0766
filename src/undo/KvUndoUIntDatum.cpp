#include <KvUndoUIntDatum.h>

KV_TYPE_SOURCE(KvUndoUIntDatum, "UndoUIntDatum", KvUndoDatum)
