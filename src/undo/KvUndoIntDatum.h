#pragma once

#include <KvUndoDatum.h>

#include <cstdint>

// An undoable a 64-bit signed integer.
class KV_BASE_EXPORT KvUndoIntDatum : public KvUndoDatum {
    KV_TYPE_HEADER(KvUndoIntDatum)
public:
    KvUndoIntDatum();
    explicit KvUndoIntDatum(int64_t value);
    KvUndoIntDatum(const KvUndoIntDatum& o);
    ~KvUndoIntDatum() override;
    // Copies the value without recording a change or telling observers.
    KvUndoIntDatum& operator=(const KvUndoIntDatum& o);

    int64_t get() const { return value_; }
    // Records the change and tells the observers, unless `value` is the
    // current value.
    void set(int64_t value);

    KvUndoState* getState() const override;

private:
    friend class KvUndoIntDatumState;
    int64_t value_;
};
