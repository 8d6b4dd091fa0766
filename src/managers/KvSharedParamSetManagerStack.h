#pragma once

#include <KvRefObjectManagerStack.h>

class KvSharedParamSetManagerStackState;

// A stack of shared-parameter-set managers.
class KV_BASE_EXPORT KvSharedParamSetManagerStack : public KvRefObjectManagerStack {
    KV_TYPE_HEADER(KvSharedParamSetManagerStack)
public:
    KvSharedParamSetManagerStack();
    explicit KvSharedParamSetManagerStack(const KvSharedParamSetManagerStackState& state);
    ~KvSharedParamSetManagerStack() override;

    KvRefObjectManager* createManager() override;
    KvUndoState* getState() const override;
};
