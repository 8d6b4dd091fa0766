#include <KvUndoUIntDatum.h>

#include <KvUndoUIntDatumState.h>

KV_TYPE_SOURCE(KvUndoUIntDatum, "UndoUIntDatum", KvUndoDatum)

KvUndoUIntDatum::KvUndoUIntDatum() : value_(0) {}
KvUndoUIntDatum::KvUndoUIntDatum(uint64_t value) : value_(value) {}
KvUndoUIntDatum::KvUndoUIntDatum(const KvUndoUIntDatum& o) : KvUndoDatum(o), value_(o.value_) {}
KvUndoUIntDatum::~KvUndoUIntDatum() = default;

KvUndoUIntDatum& KvUndoUIntDatum::operator=(const KvUndoUIntDatum& o) {
    if (this == &o) return *this;
    value_ = o.value_;
    KvUndoDatum::operator=(o);
    valueChanged();
    return *this;
}

void KvUndoUIntDatum::set(uint64_t value) {
    if (value == value_) return;
    value_ = value;
    valueChanged();
    updateObservers(KvActionObject());
}

KvUndoState* KvUndoUIntDatum::getState() const { return new KvUndoUIntDatumState(value_); }
