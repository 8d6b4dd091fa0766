#include <KvUndoBoolDatum.h>

#include <KvUndoBoolDatumState.h>

KV_TYPE_SOURCE(KvUndoBoolDatum, "UndoBoolDatum", KvUndoDatum)

KvUndoBoolDatum::KvUndoBoolDatum() : value_(false) {}
KvUndoBoolDatum::KvUndoBoolDatum(bool value) : value_(value) {}
KvUndoBoolDatum::KvUndoBoolDatum(const KvUndoBoolDatum& o) : KvUndoDatum(o), value_(o.value_) {}
KvUndoBoolDatum::~KvUndoBoolDatum() = default;

KvUndoBoolDatum& KvUndoBoolDatum::operator=(const KvUndoBoolDatum& o) {
    if (this == &o) return *this;
    value_ = o.value_;
    KvUndoDatum::operator=(o);
    valueChanged();
    return *this;
}

void KvUndoBoolDatum::set(bool value) {
    if (value == value_) return;
    value_ = value;
    valueChanged();
    updateObservers(KvActionObject());
}

KvUndoState* KvUndoBoolDatum::getState() const { return new KvUndoBoolDatumState(value_); }
