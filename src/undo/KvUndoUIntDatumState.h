#pragma once

#include <KvUndoState.h>

#include <cstdint>

// A recorded value of a KvUndoUIntDatum.
class KV_BASE_EXPORT KvUndoUIntDatumState : public KvUndoState {
public:
    explicit KvUndoUIntDatumState(uint64_t value);
    ~KvUndoUIntDatumState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    uint64_t getValue() const { return value_; }

private:
    uint64_t value_;
};
