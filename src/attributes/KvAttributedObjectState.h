#pragma once

#include <KvBaseExport.h>
#include <KvLayerMask.h>
#include <KvString.h>
#include <KvTimeStamp.h>
#include <KvUndoReference.h>
#include <KvUndoState.h>
#include <KvVector.h>

#include <cstdint>
#include <memory>

class KvAttributedObject;
class KvAttributedObjectUndoBridge;

// The undo snapshot of an attributed object: its modification time and its
// items, held as undo references so that items deleted and rebuilt by undo
// are found again. Concrete object classes derive their own state, which
// knows how to rebuild an object of their class.
class KV_BASE_EXPORT KvAttributedObjectState : public KvUndoState {
public:
    // How the object looked: kept only when the object reported any of it.
    struct Visibility {
        bool enabled = false;
        uint64_t layer = 1024;
        KvString name = "";
        KvLayerMask enabledMask;
        KvLayerMask disabledMask;
        bool operator==(const Visibility& o) const {
            return enabled == o.enabled && layer == o.layer && name == o.name && enabledMask == o.enabledMask &&
                   disabledMask == o.disabledMask;
        }
    };

    explicit KvAttributedObjectState(const KvAttributedObject& obj);
    ~KvAttributedObjectState() override;

    // A new bridge, whose construction rebuilds the object.
    KvUndoObject* recreateObject() const override;
    // `obj` is the object's bridge.
    void restoreObject(KvUndoObject* obj) const override;
    void postRestoreObject(KvUndoObject* obj) const override;

    // A new object of the concrete class, bridged by `bridge`.
    virtual KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const = 0;
    virtual void restoreBridgedObject(KvAttributedObject* obj) const;
    virtual void postRestoreBridgedObject(KvAttributedObject* obj) const;

    const KvTimeStamp& getModificationTime() const { return modTime_; }
    const kv::vector<KvUndoReference>& getItems() const { return items_; }
    const Visibility* getVisibility() const { return visibility_.get(); }

protected:
    friend class KvAttributedObject;

    // Writes the snapshot into `obj`: the items that still resolve, and the
    // modification time.
    void getAttributedObjectData(KvAttributedObject& obj) const;
    // Same items; the modification time is not compared.
    bool isPartSame(const KvAttributedObjectState* other) const;

private:
    KvTimeStamp modTime_;
    kv::vector<KvUndoReference> items_;
    std::unique_ptr<Visibility> visibility_;
};
