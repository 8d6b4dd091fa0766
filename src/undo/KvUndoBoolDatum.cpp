#include <KvUndoBoolDatum.h>

KV_TYPE_SOURCE(KvUndoBoolDatum, "UndoBoolDatum", KvUndoDatum)
