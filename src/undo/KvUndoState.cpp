#include <KvUndoState.h>

#include <KvUndoManager.h>

KvUndoState::KvUndoState(const KvTypeId& objectType)
    : sequenceId_(KvUndoManager::openSequenceId()), objectType_(objectType) {}

KvUndoState::~KvUndoState() = default;

void KvUndoState::postRestoreObject(KvUndoObject*) const {}
bool KvUndoState::isSame(const KvUndoState*) const { return false; }
bool KvUndoState::supportsTranscendentValues() const { return false; }
void KvUndoState::updateTranscendentValues(const KvUndoState*) {}
