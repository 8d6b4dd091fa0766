#include <KvUndoState.h>

#include <KvUndoManager.h>
#include <KvUndoMonitor.h>
#include <KvUndoStatePool.h>

KvUndoState::KvUndoState(const KvTypeId& objectType)
    : sequenceId_(KvUndoManager::openSequenceId()), objectType_(objectType) {}

KvUndoState::~KvUndoState() = default;

void* KvUndoState::operator new(std::size_t size) { return KvUndoStatePool::allocate(size); }

void KvUndoState::operator delete(void* p, std::size_t size) noexcept { KvUndoStatePool::release(p, size); }

void KvUndoState::postRestoreObject(KvUndoObject*) const { KvUndoMonitor::quietStateReached(this); }
bool KvUndoState::isSame(const KvUndoState*) const { return false; }
bool KvUndoState::supportsTranscendentValues() const { return false; }
void KvUndoState::updateTranscendentValues(const KvUndoState*) {}
