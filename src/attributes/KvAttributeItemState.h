#pragma once

#include <KvBaseExport.h>
#include <KvTimeStamp.h>
#include <KvUndoState.h>

class KvAttributeItem;

// The undo snapshot of an attribute item's base part: its modification time.
// Each concrete item class derives a state that adds its value and rebuilds
// items of its class.
class KV_BASE_EXPORT KvAttributeItemState : public KvUndoState {
public:
    explicit KvAttributeItemState(const KvAttributeItem& item);
    ~KvAttributeItemState() override;

    KvUndoObject* recreateObject() const override = 0;
    void restoreObject(KvUndoObject* obj) const override;

    const KvTimeStamp& getModificationTime() const { return modTime_; }

protected:
    friend class KvAttributeItem;

    void getAttributeItemData(KvAttributeItem& item) const;
    // True for any other state: the time alone never makes a step.
    bool isAttributeItemStateSame(const KvUndoState* other) const;

private:
    KvTimeStamp modTime_;
};
