#pragma once

#include <KvTSObjectState.h>

class KvMultiObject;

// Undo state of a multi-object; concrete multi-objects add their constituents.
class KV_BASE_EXPORT KvMultiObjectState : public KvTSObjectState {
public:
    explicit KvMultiObjectState(const KvMultiObject& obj);
    ~KvMultiObjectState() override;

    void restoreBridgedObject(KvAttributedObject* obj) const override;
};
