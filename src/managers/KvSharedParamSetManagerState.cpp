#include <KvSharedParamSetManagerState.h>

#include <KvSharedParamSetManager.h>

KvSharedParamSetManagerState::KvSharedParamSetManagerState(KvSharedParamSetManager& manager)
    : KvRefObjectManagerState(manager) {}

KvSharedParamSetManagerState::~KvSharedParamSetManagerState() = default;

KvUndoObject* KvSharedParamSetManagerState::recreateObject() const { return new KvSharedParamSetManager(*this); }
