#include <KvUndoRealDatum.h>

#include <KvUndoRealDatumState.h>

KV_TYPE_SOURCE(KvUndoRealDatum, "UndoRealDatum", KvUndoDatum)

KvUndoRealDatum::KvUndoRealDatum() : value_(0.0) {}
KvUndoRealDatum::KvUndoRealDatum(double value) : value_(value) {}
KvUndoRealDatum::KvUndoRealDatum(const KvUndoRealDatum& o) : KvUndoDatum(o), value_(o.value_) {}
KvUndoRealDatum::~KvUndoRealDatum() = default;

KvUndoRealDatum& KvUndoRealDatum::operator=(const KvUndoRealDatum& o) {
    if (this == &o) return *this;
    value_ = o.value_;
    KvUndoDatum::operator=(o);
    valueChanged();
    return *this;
}

void KvUndoRealDatum::set(double value) {
    if (value == value_) return;
    value_ = value;
    valueChanged();
    updateObservers(KvActionObject());
}

KvUndoState* KvUndoRealDatum::getState() const { return new KvUndoRealDatumState(value_); }
