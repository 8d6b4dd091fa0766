#include <KvAttributeAction.h>

#include <KvAttributeItem.h>

KvAttributeAction::KvAttributeAction(KvObservedObject* source, KvAttributeItem* attribute)
    : KvAction(source), attribute_(attribute) {}

KvAttributeAction::KvAttributeAction(const KvAttributeAction& o) = default;

KvAttributeAction::~KvAttributeAction() = default;

void KvAttributeAction::process(KvObject* target) {
    if (target) target->handleAttributeAction(this);
}
