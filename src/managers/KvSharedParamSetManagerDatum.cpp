#include <KvSharedParamSetManagerDatum.h>

#include <KvSharedParamSetManagerDatumState.h>

KV_TYPE_SOURCE(KvSharedParamSetManagerDatum, "SharedParamSetManagerDatum", KvUndoObservedObjectDatum)

KvSharedParamSetManagerDatum::KvSharedParamSetManagerDatum() = default;

KvSharedParamSetManagerDatum::~KvSharedParamSetManagerDatum() = default;

KvUndoState* KvSharedParamSetManagerDatum::getState() const { return new KvSharedParamSetManagerDatumState(*this); }
