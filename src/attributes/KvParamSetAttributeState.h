#pragma once

#include <KvAttributeItemState.h>
#include <KvParamSetAttribute.h>

// The local parameter sets of a parameter-set attribute.
class KV_BASE_EXPORT KvParamSetAttributeState : public KvAttributeItemState {
public:
    explicit KvParamSetAttributeState(const KvParamSetAttribute& item);
    ~KvParamSetAttributeState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    const KvParamSetAttribute::LocalSets& getLocalSets() const { return local_; }

private:
    KvParamSetAttribute::LocalSets local_;
};
