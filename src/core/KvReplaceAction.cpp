#include <KvReplaceAction.h>

#include <KvObservedObject.h>
#include <KvRefObject.h>

KvReplaceAction::KvReplaceAction(KvObservedObject* source, KvObservedObject* replacement, const KvMapper* mapper)
    : KvMapperAction(source, mapper),
      replacement_(replacement),
      heldReplacement_(replacement ? replacement->castToRefObject() : nullptr) {
    if (heldReplacement_) heldReplacement_->ref();
}

KvReplaceAction::KvReplaceAction(const KvReplaceAction& o)
    : KvMapperAction(o), replacement_(o.replacement_), heldReplacement_(o.heldReplacement_) {
    if (heldReplacement_) heldReplacement_->ref();
}

KvReplaceAction::~KvReplaceAction() {
    if (heldReplacement_) heldReplacement_->unref();
}

void KvReplaceAction::process(KvObject* target) {
    if (target) target->handleReplaceAction(this);
}
