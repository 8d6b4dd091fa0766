#include <KvSplitAction.h>

#include <KvMultiObject.h>

KvSplitAction::KvSplitAction(KvObservedObject* source, KvMultiObject* multi, const KvMapper* mapper)
    : KvMapperAction(source, mapper), multi_(multi), held_(multi) {
    if (held_) held_->ref();
}

KvSplitAction::KvSplitAction(const KvSplitAction& o) : KvMapperAction(o), multi_(o.multi_), held_(o.held_) {
    if (held_) held_->ref();
}

KvSplitAction::~KvSplitAction() {
    if (held_) held_->unref();
}

void KvSplitAction::process(KvObject* target) {
    if (target) target->handleSplitAction(this);
}
