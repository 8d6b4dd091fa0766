#pragma once

#include <KvUndoState.h>

#include <cstdint>

// A recorded value of a KvUndoBoolDatum.
class KV_BASE_EXPORT KvUndoBoolDatumState : public KvUndoState {
public:
    explicit KvUndoBoolDatumState(bool value);
    ~KvUndoBoolDatumState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    bool getValue() const { return value_; }

private:
    bool value_;
};
