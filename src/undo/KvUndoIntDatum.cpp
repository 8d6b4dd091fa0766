#include <KvUndoIntDatum.h>

KV_TYPE_SOURCE(KvUndoIntDatum, "UndoIntDatum", KvUndoDatum)
