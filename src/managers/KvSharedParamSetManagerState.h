#pragma once

#include <KvRefObjectManagerState.h>

class KvSharedParamSetManager;

class KV_BASE_EXPORT KvSharedParamSetManagerState : public KvRefObjectManagerState {
public:
    explicit KvSharedParamSetManagerState(KvSharedParamSetManager& manager);
    ~KvSharedParamSetManagerState() override;

    KvUndoObject* recreateObject() const override;
};
