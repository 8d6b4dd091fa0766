#pragma once

#include <KvRefCounted.h>
#include <KvTimeStamp.h>
#include <KvUndoObject.h>
#include <KvVector.h>

#include <cstddef>

class KvAttributedObject;
class KvAttributeItemState;
class KvCloneMapper;
class KvDataStore;
class KvFrameworkBase;
class KvXformMatrix;

// One attribute value (a name, a colour, ...) carried by attributed objects.
//
// An item has a reference count of its own: each owner's attribute map holds
// one reference, so one item may be carried by several owners at once. It is
// observed by every owner, so a change (attributeChanged) reaches all of them,
// and it is an undo object, so the change is also recorded by the undo engine.
//
// Copying, cloning, joining and splitting an owner ask its items for theirs.
// The default duplicate() hands out the item itself: a class that does not
// override it is shared by the copies of its owner rather than copied.
class KV_BASE_EXPORT KvAttributeItem : public KvUndoObject, public KvRefCounted<KvAttributeItem, KvLastUnref::Destroy> {
    KV_TYPE_HEADER(KvAttributeItem)
public:
    ~KvAttributeItem() override;

    // Stamps the item, then notifies the owners.
    using KvUndoObject::updateObservers;
    void updateObservers(KvActionObject originator) override;

    // An item follows nobody: any such action reaching it is a stray.
    void handleJoinAction(KvJoinAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleUpdateAction(KvUpdateAction* action) override;

    virtual KvAttributeItem* duplicate(KvCloneMapper& mapper) const;
    virtual KvAttributeItem* duplicate() const;
    // Marks, on the mapper, what has to be cloned along with the owner.
    virtual void addMustClone(KvCloneMapper& mapper) const;
    // The item that the owner of a join gets; `others` are the items of the
    // same type of the other joined objects.
    virtual KvAttributeItem* join(const kv::vector<const KvAttributeItem*>& others) const;
    // `n` items for the `n` parts of a split owner, or for `n` copies.
    virtual void split(size_t n, kv::vector<KvAttributeItem*>& out) const;
    virtual void copy(size_t n, kv::vector<KvAttributeItem*>& out) const;
    virtual bool shouldBeSaved() const;
    // A mutable item's changes do not count as changes of its owners.
    virtual bool isMutable() const;
    virtual bool isRegisterAttribute() const;
    virtual bool isUnmodifiedCopy(const KvAttributeItem* other) const;
    // Run after the item joined, and after it left, an owner.
    virtual void postAdd(KvAttributedObject* owner) const;
    virtual void postRemove(KvAttributedObject* owner) const;
    virtual void transform(const KvXformMatrix& xform);
    virtual void removeExternalFrameworkReferences(const KvFrameworkBase* framework);

    // True when at least two attributed objects carry the item.
    bool isShared() const;
    const KvTimeStamp& getModificationTime() const { return modTime_; }

    // Once per process: registers the types the items rely on.
    static void init();

protected:
    KvAttributeItem();
    // A copy starts with no owner and a count of zero.
    KvAttributeItem(const KvAttributeItem& o);
    // For recreateObject(): not registered; takes the state's data.
    explicit KvAttributeItem(const KvAttributeItemState& state);

    // Stamps the item and tells its owners.
    void attributeChanged(KvActionObject originator = KvActionObject());
    // Has the item purged from its owners when `store` goes away.
    void purgeOnFileClose(const KvDataStore& store);

private:
    friend class KvAttributeItemState;

    KvTimeStamp modTime_;
};
