#include <KvDeleteObject.h>

KV_TYPE_SOURCE(KvDeleteObject, "DeleteObject", KvObservedObject)

KvDeleteObject::~KvDeleteObject() {
    // Deleting the object clears owned_ through the queue (clearTarget).
    delete owned_;
}
