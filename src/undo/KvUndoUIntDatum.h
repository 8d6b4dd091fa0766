#pragma once

#include <KvUndoDatum.h>

#include <cstdint>

// An undoable a 64-bit unsigned integer.
class KV_BASE_EXPORT KvUndoUIntDatum : public KvUndoDatum {
    KV_TYPE_HEADER(KvUndoUIntDatum)
public:
    KvUndoUIntDatum();
    explicit KvUndoUIntDatum(uint64_t value);
    KvUndoUIntDatum(const KvUndoUIntDatum& o);
    ~KvUndoUIntDatum() override;
    // Copies the value without recording a change or telling observers.
    KvUndoUIntDatum& operator=(const KvUndoUIntDatum& o);

    uint64_t get() const { return value_; }
    // Records the change and tells the observers, unless `value` is the
    // current value.
    void set(uint64_t value);

    KvUndoState* getState() const override;

private:
    friend class KvUndoUIntDatumState;
    uint64_t value_;
};
