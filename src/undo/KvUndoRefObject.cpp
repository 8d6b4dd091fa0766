#include <KvUndoRefObject.h>

#include <KvUndoRefObjectState.h>

KV_TYPE_SOURCE(KvUndoRefObject, "UndoRefObject", KvUndoObject)

KvUndoRefObject::KvUndoRefObject() = default;

KvUndoRefObject::KvUndoRefObject(const KvUndoRefObject& o) : KvUndoObject(o) {}

KvUndoRefObject::KvUndoRefObject(const KvUndoRefObjectState& state) : KvUndoObject(state) {}

KvUndoRefObject::~KvUndoRefObject() = default;
