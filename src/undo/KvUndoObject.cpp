#include <KvUndoObject.h>

#include <KvUndo.h>

KV_TYPE_SOURCE(KvUndoObject, "UndoObject", KvObservedObject)

void KvUndoObject::preNotification() { KvUndo::objectChanged(this); }
