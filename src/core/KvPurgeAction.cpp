#include <KvPurgeAction.h>

#include <KvObject.h>

void KvPurgeAction::process(KvObject* target) {
    if (target) target->handlePurgeAction(this);
}
