#pragma once

#include <KvAttributeItemState.h>
#include <KvRenderSettings.h>

class KvRenderAttribute;

class KV_BASE_EXPORT KvRenderAttributeState : public KvAttributeItemState {
public:
    explicit KvRenderAttributeState(const KvRenderAttribute& item);
    ~KvRenderAttributeState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    const KvRenderSettings& getValue() const { return value_; }

private:
    KvRenderSettings value_;
};
