#include <KvUndoMemoryCleaner.h>

#include <KvAllocator.h>
#include <KvUndo.h>

KvUndoMemoryCleaner::KvUndoMemoryCleaner() { KvAllocator::addCleaningFunction(this); }

KvUndoMemoryCleaner::~KvUndoMemoryCleaner() { KvAllocator::removeCleaningFunction(this); }

bool KvUndoMemoryCleaner::clean() { return KvUndo::releaseOldSteps(); }

namespace {
// Registered at library load, removed at unload.
KvUndoMemoryCleaner g_undoCleaner;
}  // namespace
