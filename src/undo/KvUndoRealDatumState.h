#pragma once

#include <KvUndoState.h>

#include <cstdint>

// A recorded value of a KvUndoRealDatum.
class KV_BASE_EXPORT KvUndoRealDatumState : public KvUndoState {
public:
    explicit KvUndoRealDatumState(double value);
    ~KvUndoRealDatumState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    double getValue() const { return value_; }

private:
    double value_;
};
