#pragma once

#include <KvRefObjectManagerStackState.h>

class KvSharedParamSetManagerStack;

class KV_BASE_EXPORT KvSharedParamSetManagerStackState : public KvRefObjectManagerStackState {
public:
    explicit KvSharedParamSetManagerStackState(const KvSharedParamSetManagerStack& stack);
    ~KvSharedParamSetManagerStackState() override;

    KvUndoObject* recreateObject() const override;
};
