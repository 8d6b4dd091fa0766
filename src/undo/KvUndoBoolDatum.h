#pragma once

#include <KvUndoDatum.h>

#include <cstdint>

// An undoable a flag.
class KV_BASE_EXPORT KvUndoBoolDatum : public KvUndoDatum {
    KV_TYPE_HEADER(KvUndoBoolDatum)
public:
    KvUndoBoolDatum();
    explicit KvUndoBoolDatum(bool value);
    KvUndoBoolDatum(const KvUndoBoolDatum& o);
    ~KvUndoBoolDatum() override;
    // Copies the value without recording a change or telling observers.
    KvUndoBoolDatum& operator=(const KvUndoBoolDatum& o);

    bool get() const { return value_; }
    // Records the change and tells the observers, unless `value` is the
    // current value.
    void set(bool value);

    KvUndoState* getState() const override;

private:
    friend class KvUndoBoolDatumState;
    bool value_;
};
