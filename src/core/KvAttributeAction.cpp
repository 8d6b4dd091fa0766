#include <KvAttributeAction.h>

#include <KvAttributeItem.h>
#include <KvObject.h>

KvAttributeAction::KvAttributeAction(KvObservedObject* source, KvAttributeItem* attribute)
    : KvAction(source), attribute_(attribute) {
    if (attribute_) attribute_->ref();
}

KvAttributeAction::KvAttributeAction(const KvAttributeAction& o) : KvAction(o), attribute_(o.attribute_) {
    if (attribute_) attribute_->ref();
}

KvAttributeAction::~KvAttributeAction() {
    if (attribute_) attribute_->unref();
}

void KvAttributeAction::process(KvObject* target) {
    if (target) target->handleAttributeAction(this);
}
