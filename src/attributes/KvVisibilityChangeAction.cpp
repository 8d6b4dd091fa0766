#include <KvVisibilityChangeAction.h>

#include <KvVisibilityAttribute.h>

KvVisibilityChangeAction::KvVisibilityChangeAction(size_t oldLayer, KvVisibilityAttribute* attribute)
    : oldLayer_(oldLayer), attribute_(attribute) {}

KvVisibilityChangeAction::~KvVisibilityChangeAction() = default;

void KvVisibilityChangeAction::execute() {
    if (attribute_) attribute_->tellVisibilityChanged(oldLayer_);
}
