#pragma once

#include <KvAttributedObjectState.h>
#include <KvTimeStamp.h>

class KvTSObject;

// Undo state of a time-stamped object: the attributes and the creation stamp,
// so that an object rebuilt or restored by undo keeps its place in creation
// order.
class KV_BASE_EXPORT KvTSObjectState : public KvAttributedObjectState {
public:
    explicit KvTSObjectState(const KvTSObject& obj);
    ~KvTSObjectState() override;

    void restoreBridgedObject(KvAttributedObject* obj) const override;

    const KvTimeStamp& getTimeStamp() const { return timeStamp_; }

protected:
    friend class KvTSObject;
    void getTSObjectData(KvTSObject& obj) const;
    bool isPartSame(const KvTSObjectState* other) const;

private:
    KvTimeStamp timeStamp_;
};
