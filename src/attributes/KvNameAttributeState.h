#pragma once

#include <KvAttributeItemState.h>
#include <KvString.h>
#include <KvUndoReference.h>

class KvNameAttribute;

// A name and the framework it was registered in. A restore puts the name
// back without registering it; the framework hears of it in the post-restore
// step, once every restored object holds its name.
class KV_BASE_EXPORT KvNameAttributeState : public KvAttributeItemState {
public:
    explicit KvNameAttributeState(const KvNameAttribute& item);
    ~KvNameAttributeState() override;

    KvUndoObject* recreateObject() const override;
    void restoreObject(KvUndoObject* obj) const override;
    void postRestoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    const KvString& getName() const { return name_; }

private:
    KvUndoReference framework_;
    KvString name_;
    // The name the item carried before the restore, until post-restore.
    mutable KvString pendingName_;
};
