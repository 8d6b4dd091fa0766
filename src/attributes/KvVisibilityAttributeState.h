#pragma once

#include <KvAttributeItemState.h>
#include <KvLayerMask.h>

#include <cstddef>

class KvVisibilityAttribute;

class KV_BASE_EXPORT KvVisibilityAttributeState : public KvAttributeItemState {
public:
    explicit KvVisibilityAttributeState(const KvVisibilityAttribute& attribute);
    ~KvVisibilityAttributeState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    bool getEnabled() const { return enabled_; }
    size_t getLayer() const { return layer_; }
    const KvLayerMask& getEnabledMask() const { return enabledMask_; }
    const KvLayerMask& getDisabledMask() const { return disabledMask_; }

private:
    bool enabled_;
    size_t layer_;
    KvLayerMask enabledMask_;
    KvLayerMask disabledMask_;
};
