#include <KvReplaceAction.h>

KvReplaceAction::KvReplaceAction(KvObservedObject* source, KvObservedObject* replacement, const KvMapper* mapper)
    : KvMapperAction(source, mapper),
      replacement_(replacement),
      heldReplacement_(replacement ? replacement->castToRefObject() : nullptr) {}

KvReplaceAction::KvReplaceAction(const KvReplaceAction& o) = default;

KvReplaceAction::~KvReplaceAction() = default;

void KvReplaceAction::process(KvObject* target) {
    if (target) target->handleReplaceAction(this);
}
