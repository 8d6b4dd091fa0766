#pragma once

#include <KvParamSet.h>
#include <KvString.h>
#include <KvUndoState.h>

class KvSharedParamSet;
class KvSharedParamSetUndoBridge;

// The class and parameters of a shared set; its identifier belongs to its
// manager's state.
class KV_BASE_EXPORT KvSharedParamSetState : public KvUndoState {
public:
    explicit KvSharedParamSetState(const KvSharedParamSet& set);
    ~KvSharedParamSetState() override;

    // A new bridge, whose construction rebuilds the set.
    KvUndoObject* recreateObject() const override;
    // `obj` is the set's bridge.
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    KvSharedParamSet* recreateBridgedObject(KvSharedParamSetUndoBridge* bridge) const;
    void restoreBridgedObject(KvSharedParamSet* set) const;

    const KvString& getClass() const { return class_; }
    const KvParamSet& getParams() const { return params_; }

private:
    KvString class_;
    KvParamSet params_;
};
