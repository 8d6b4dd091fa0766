#pragma once

#include <KvUndoDatum.h>

#include <cstdint>

// An undoable a double.
// Equality is exact: NaN never equals anything, so setting NaN always
// counts as a change.
class KV_BASE_EXPORT KvUndoRealDatum : public KvUndoDatum {
    KV_TYPE_HEADER(KvUndoRealDatum)
public:
    KvUndoRealDatum();
    explicit KvUndoRealDatum(double value);
    KvUndoRealDatum(const KvUndoRealDatum& o);
    ~KvUndoRealDatum() override;
    // Copies the value without recording a change or telling observers.
    KvUndoRealDatum& operator=(const KvUndoRealDatum& o);

    double get() const { return value_; }
    // Records the change and tells the observers, unless `value` is the
    // current value.
    void set(double value);

    KvUndoState* getState() const override;

private:
    friend class KvUndoRealDatumState;
    double value_;
};
