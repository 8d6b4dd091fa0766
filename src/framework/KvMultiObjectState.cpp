#include <KvMultiObjectState.h>

#include <KvMultiObject.h>

KvMultiObjectState::KvMultiObjectState(const KvMultiObject& obj) : KvTSObjectState(obj) {}

KvMultiObjectState::~KvMultiObjectState() = default;

void KvMultiObjectState::restoreBridgedObject(KvAttributedObject* obj) const {
    KvTSObjectState::restoreBridgedObject(obj);
}
