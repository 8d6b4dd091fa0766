#pragma once

#include <KvAttributeItemState.h>
#include <KvColor.h>

class KvColorAttribute;

class KV_BASE_EXPORT KvColorAttributeState : public KvAttributeItemState {
public:
    explicit KvColorAttributeState(const KvColorAttribute& item);
    ~KvColorAttributeState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    const KvColor& getValue() const { return value_; }

private:
    KvColor value_;
};
