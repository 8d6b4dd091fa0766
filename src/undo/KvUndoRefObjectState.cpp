#include <KvUndoRefObjectState.h>

#include <KvUndoRefObject.h>

KvUndoRefObjectState::KvUndoRefObjectState(const KvUndoRefObject& obj) : KvUndoState(obj.getTypeId()) {}

KvUndoRefObjectState::~KvUndoRefObjectState() = default;
