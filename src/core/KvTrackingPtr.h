#pragma once

#include <KvRefObject.h>
#include <KvRefPtr.h>

// Follows one object through replacement, split, join and purge: it observes
// the object it tracks and moves to the replacement or the joined object, or
// to null when the object is split or purged.
class KV_BASE_EXPORT KvTrackingPtr : public KvObject {
    KV_TYPE_HEADER(KvTrackingPtr)
public:
    KvTrackingPtr() = default;
    KvTrackingPtr(KvRefObject* obj) { setObject(obj); }
    KvTrackingPtr(const KvTrackingPtr& o) : KvObject(o) { setObject(o.object_.get()); }
    KvTrackingPtr(KvTrackingPtr&& o);
    ~KvTrackingPtr() override;

    KvTrackingPtr& operator=(const KvTrackingPtr& o);
    KvTrackingPtr& operator=(KvTrackingPtr&& o);
    KvTrackingPtr& operator=(KvRefObject* obj);

    bool operator==(const KvTrackingPtr& o) const { return object_.get() == o.object_.get(); }
    bool operator!=(const KvTrackingPtr& o) const { return !(*this == o); }

    KvRefObject* getObject() { return object_.get(); }
    const KvRefObject* getObject() const { return object_.get(); }

    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;

private:
    void setObject(KvRefObject* obj);
    bool tracksSourceOf(KvAction* action) const;

    KvRefPtr<KvRefObject> object_;
};
