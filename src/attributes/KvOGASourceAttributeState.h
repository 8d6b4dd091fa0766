#pragma once

#include <KvAttributeItemState.h>

class KvOGASourceAttribute;

class KV_BASE_EXPORT KvOGASourceAttributeState : public KvAttributeItemState {
public:
    explicit KvOGASourceAttributeState(const KvOGASourceAttribute& item);
    ~KvOGASourceAttributeState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    const bool& getValue() const { return value_; }

private:
    bool value_;
};
