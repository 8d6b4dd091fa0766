#include <KvSharedParamSetManagerStackState.h>

#include <KvSharedParamSetManagerStack.h>

KvSharedParamSetManagerStackState::KvSharedParamSetManagerStackState(const KvSharedParamSetManagerStack& stack)
    : KvRefObjectManagerStackState(stack) {}

KvSharedParamSetManagerStackState::~KvSharedParamSetManagerStackState() = default;

KvUndoObject* KvSharedParamSetManagerStackState::recreateObject() const {
    return new KvSharedParamSetManagerStack(*this);
}
