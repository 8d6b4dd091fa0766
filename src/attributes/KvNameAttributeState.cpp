#include <KvNameAttributeState.h>

#include <KvFrameworkBase.h>
#include <KvNameAttribute.h>
#include <KvUndo.h>

KvNameAttributeState::KvNameAttributeState(const KvNameAttribute& item)
    : KvAttributeItemState(item), name_(item.getName()) {
    if (KvFrameworkBase* framework = item.getFramework()) framework_ = framework->reference();
}

KvNameAttributeState::~KvNameAttributeState() = default;

KvUndoObject* KvNameAttributeState::recreateObject() const { return new KvNameAttribute(*this); }

void KvNameAttributeState::restoreObject(KvUndoObject* obj) const {
    KvNameAttribute* item = KvNameAttribute::cast(obj);
    if (!item) return;
    pendingName_ = item->name_;
    item->name_ = name_;
    KvAttributeItemState::restoreObject(obj);
}

void KvNameAttributeState::postRestoreObject(KvUndoObject* obj) const {
    KvNameAttribute* item = KvNameAttribute::cast(obj);
    if (!item) return;
    KvFrameworkBase* framework = KvFrameworkBase::cast(KvUndo::dereference(framework_));
    if (framework != item->framework_) {
        if (KvFrameworkBase* present = item->framework_) {
            item->framework_ = nullptr;
            present->registerEntityName(item, pendingName_, KvString());
        }
    }
    if (framework) {
        item->framework_ = framework;
        framework->restoreEntityName(item, pendingName_, item->name_);
    }
    pendingName_.setNull();
}

bool KvNameAttributeState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvNameAttributeState*>(other);
    return o && isAttributeItemStateSame(other) && o->name_ == name_ && o->framework_ == framework_;
}
