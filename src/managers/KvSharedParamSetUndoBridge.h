#pragma once

#include <KvUndoBridge.h>

class KvSharedParamSet;
class KvSharedParamSetState;

// Stands for a shared parameter set in the undo engine. The set creates,
// observes and disposes of its bridge.
class KV_BASE_EXPORT KvSharedParamSetUndoBridge : public KvUndoBridge {
    KV_TYPE_HEADER(KvSharedParamSetUndoBridge)
public:
    explicit KvSharedParamSetUndoBridge(KvSharedParamSet* set);
    // Rebuilds the deleted set that `state` describes.
    explicit KvSharedParamSetUndoBridge(const KvSharedParamSetState& state);
    ~KvSharedParamSetUndoBridge() override;

    // Null once the set is gone.
    KvGenre* getObject() const override;
    KvSharedParamSet* getParamSet() const { return set_; }
    KvUndoState* getState() const override;
    void prepareToSaveState() const override;
    void resetCachedValues() override;

protected:
    bool prerestore() override;
    void postrestore(bool prerestoreResult) override;

private:
    friend class KvSharedParamSet;
    friend class KvSharedParamSetState;
    void restoreState(const KvSharedParamSetState& state);

    KvSharedParamSet* set_ = nullptr;
};
