#include <KvUndoRealDatum.h>

KV_TYPE_SOURCE(KvUndoRealDatum, "UndoRealDatum", KvUndoDatum)
