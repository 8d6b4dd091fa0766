#include <KvTSObjectGroupState.h>

#include <KvFrameworkBase.h>
#include <KvTSObjectGroup.h>
#include <KvUndo.h>

KvTSObjectGroupState::KvTSObjectGroupState(const KvTSObjectGroup& group)
    : KvTSObjectState(group), allowedType_(group.getAllowedType()) {
    if (KvFrameworkBase* framework = group.getFramework()) framework_ = framework->reference();
    group.objects_.toArray().reference(members_);
}

KvTSObjectGroupState::~KvTSObjectGroupState() = default;

KvAttributedObject* KvTSObjectGroupState::recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const {
    return new KvTSObjectGroup(bridge, *this);
}

void KvTSObjectGroupState::restoreBridgedObject(KvAttributedObject* obj) const {
    KvTSObjectState::restoreBridgedObject(obj);
    if (KvTSObjectGroup* group = KvTSObjectGroup::cast(obj)) group->restore(*this);
}

void KvTSObjectGroupState::postRestoreBridgedObject(KvAttributedObject* obj) const {
    if (KvTSObjectGroup* group = KvTSObjectGroup::cast(obj))
        group->framework_ = KvFrameworkBase::cast(KvUndo::dereference(framework_));
}

bool KvTSObjectGroupState::isSame(const KvUndoState* other) const {
    auto* o = dynamic_cast<const KvTSObjectGroupState*>(other);
    return o && o->allowedType_ == allowedType_ && KvUndoReference::equal(o->members_, members_) && isPartSame(o);
}
