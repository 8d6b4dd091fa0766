#include <KvSplitAction.h>

#include <KvMultiObject.h>

KvSplitAction::KvSplitAction(KvObservedObject* source, KvMultiObject* multi, const KvMapper* mapper)
    : KvMapperAction(source, mapper), multi_(multi) {}

KvSplitAction::KvSplitAction(const KvSplitAction& o) = default;

KvSplitAction::~KvSplitAction() = default;

void KvSplitAction::process(KvObject* target) {
    if (target) target->handleSplitAction(this);
}
