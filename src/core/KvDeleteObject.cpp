#include <KvDeleteObject.h>

KV_TYPE_SOURCE(KvDeleteObject, "DeleteObject", KvObservedObject)

KvDeleteObject::~KvDeleteObject() { delete owned_; }
