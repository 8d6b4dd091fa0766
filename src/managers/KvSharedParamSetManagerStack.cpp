#include <KvSharedParamSetManagerStack.h>

#include <KvSharedParamSetManager.h>
#include <KvSharedParamSetManagerStackState.h>

KV_TYPE_SOURCE(KvSharedParamSetManagerStack, "SharedParamSetManagerStack", KvRefObjectManagerStack)

KvSharedParamSetManagerStack::KvSharedParamSetManagerStack() = default;

KvSharedParamSetManagerStack::KvSharedParamSetManagerStack(const KvSharedParamSetManagerStackState& state)
    : KvRefObjectManagerStack(state) {
    getStackData(state);
}

KvSharedParamSetManagerStack::~KvSharedParamSetManagerStack() = default;

KvRefObjectManager* KvSharedParamSetManagerStack::createManager() { return new KvSharedParamSetManager; }

KvUndoState* KvSharedParamSetManagerStack::getState() const { return new KvSharedParamSetManagerStackState(*this); }
