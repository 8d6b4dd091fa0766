#include <KvUndoIntDatum.h>

#include <KvUndoIntDatumState.h>

KV_TYPE_SOURCE(KvUndoIntDatum, "UndoIntDatum", KvUndoDatum)

KvUndoIntDatum::KvUndoIntDatum() : value_(0) {}
KvUndoIntDatum::KvUndoIntDatum(int64_t value) : value_(value) {}
KvUndoIntDatum::KvUndoIntDatum(const KvUndoIntDatum& o) : KvUndoDatum(o), value_(o.value_) {}
KvUndoIntDatum::~KvUndoIntDatum() = default;

KvUndoIntDatum& KvUndoIntDatum::operator=(const KvUndoIntDatum& o) {
    if (this == &o) return *this;
    value_ = o.value_;
    KvUndoDatum::operator=(o);
    valueChanged();
    return *this;
}

void KvUndoIntDatum::set(int64_t value) {
    if (value == value_) return;
    value_ = value;
    valueChanged();
    updateObservers(KvActionObject());
}

KvUndoState* KvUndoIntDatum::getState() const { return new KvUndoIntDatumState(value_); }
