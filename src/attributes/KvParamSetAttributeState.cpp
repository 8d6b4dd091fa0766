#include <KvParamSetAttributeState.h>

KvParamSetAttributeState::KvParamSetAttributeState(const KvParamSetAttribute& item)
    : KvAttributeItemState(item), local_(item.getLocalSets()) {}

KvParamSetAttributeState::~KvParamSetAttributeState() = default;

KvUndoObject* KvParamSetAttributeState::recreateObject() const { return new KvParamSetAttribute(*this); }

void KvParamSetAttributeState::restoreObject(KvUndoObject* obj) const {
    KvParamSetAttribute* item = KvParamSetAttribute::cast(obj);
    if (!item) return;
    item->local_ = local_;
    KvAttributeItemState::restoreObject(obj);
}

bool KvParamSetAttributeState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvParamSetAttributeState*>(other);
    if (!o || !isAttributeItemStateSame(other) || o->local_.size() != local_.size()) return false;
    for (auto a = local_.begin(), b = o->local_.begin(); a != local_.end(); ++a, ++b)
        if (a->first != b->first || !a->second.isIdentical(b->second) ||
            a->second.getModifiedFlags() != b->second.getModifiedFlags())
            return false;
    return true;
}
