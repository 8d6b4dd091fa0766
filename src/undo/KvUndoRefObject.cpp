#include <KvUndoRefObject.h>

KV_TYPE_SOURCE(KvUndoRefObject, "UndoRefObject", KvUndoObject)
