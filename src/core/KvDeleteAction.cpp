#include <KvDeleteAction.h>

#include <KvObservedObject.h>

void KvDeleteAction::process(KvObject* target) {
    if (!target) return;
    KvObservedObject* source = getSource();
    if (!source) return;
    // The object is gone after this call; forget it without touching its
    // count. Our reference is simply lost with the object.
    forgetSource();
    source->handleDeleteAction(this);
}
