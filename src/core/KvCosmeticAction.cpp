#include <KvCosmeticAction.h>

#include <KvObject.h>

void KvCosmeticAction::process(KvObject* target) {
    if (target) target->handleCosmeticAction(this);
}
