#pragma once

#include <KvUndoDatum.h>

template <class T, class Datum>
class KvUndoScalarDatumState;

// An undoable plain value: a flag, an integer or a real. `State` is the
// datum's state class, which getState() makes. Equality is exact, so for a
// real a NaN never equals anything and setting NaN always counts as a change.
template <class T, class State>
class KvUndoScalarDatum : public KvUndoDatum {
public:
    explicit KvUndoScalarDatum(T value = T()) : value_(value) {}
    KvUndoScalarDatum(const KvUndoScalarDatum& o) : KvUndoDatum(o), value_(o.value_) {}
    // Copies the value without recording a change or telling observers.
    KvUndoScalarDatum& operator=(const KvUndoScalarDatum& o) {
        if (this != &o) {
            value_ = o.value_;
            KvUndoDatum::operator=(o);
            valueChanged();
        }
        return *this;
    }

    T get() const { return value_; }
    // Records the change and tells the observers, unless `value` is the
    // current value.
    void set(T value) {
        if (value == value_) return;
        value_ = value;
        valueChanged();
        updateObservers(KvActionObject());
    }

    KvUndoState* getState() const override { return new State(value_); }

private:
    template <class, class>
    friend class KvUndoScalarDatumState;
    void restoreValue(T value) {
        value_ = value;
        valueChanged();
    }

    T value_;
};
