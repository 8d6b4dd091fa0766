#pragma once

#include <KvUndoState.h>

#include <cstdint>

// A recorded value of a KvUndoIntDatum.
class KV_BASE_EXPORT KvUndoIntDatumState : public KvUndoState {
public:
    explicit KvUndoIntDatumState(int64_t value);
    ~KvUndoIntDatumState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    int64_t getValue() const { return value_; }

private:
    int64_t value_;
};
