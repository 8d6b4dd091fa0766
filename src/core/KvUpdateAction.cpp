#include <KvUpdateAction.h>

#include <KvObject.h>

void KvUpdateAction::process(KvObject* target) {
    if (target) target->handleUpdateAction(this);
}
