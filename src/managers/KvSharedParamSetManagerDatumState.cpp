#include <KvSharedParamSetManagerDatumState.h>

#include <KvSharedParamSetManagerDatum.h>
#include <KvSharedParamSetManagerStack.h>
#include <KvUndo.h>

KvSharedParamSetManagerDatumState::KvSharedParamSetManagerDatumState(const KvSharedParamSetManagerDatum& datum)
    : KvUndoObservedObjectDatumState(datum) {
    if (const KvRefObjectManagerStack* stack = KvRefObjectManagerStack::cast(datum.get()))
        reference_ = stack->reference();
}

KvSharedParamSetManagerDatumState::~KvSharedParamSetManagerDatumState() = default;

KvUndoObject* KvSharedParamSetManagerDatumState::recreateObject() const {
    auto* datum = new KvSharedParamSetManagerDatum;
    datum->set(getObservedObject());
    return datum;
}

KvObservedObject* KvSharedParamSetManagerDatumState::getObservedObject() const {
    return KvRefObjectManagerStack::cast(KvUndo::dereference(reference_));
}
