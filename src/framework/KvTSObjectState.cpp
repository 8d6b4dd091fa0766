#include <KvTSObjectState.h>

#include <KvTSObject.h>

KvTSObjectState::KvTSObjectState(const KvTSObject& obj)
    : KvAttributedObjectState(obj), timeStamp_(obj.getTimeStamp()) {}

KvTSObjectState::~KvTSObjectState() = default;

void KvTSObjectState::restoreBridgedObject(KvAttributedObject* obj) const {
    KvAttributedObjectState::restoreBridgedObject(obj);
    if (KvTSObject* ts = KvTSObject::cast(obj)) getTSObjectData(*ts);
}

void KvTSObjectState::getTSObjectData(KvTSObject& obj) const { obj.timeStamp_ = timeStamp_; }

bool KvTSObjectState::isPartSame(const KvTSObjectState* other) const {
    return other && other->timeStamp_ == timeStamp_ && KvAttributedObjectState::isPartSame(other);
}
