#pragma once

#include <KvFrameworkPath.h>
#include <KvMultiObject.h>
#include <KvObservedRef.h>

class KvMultiFrameworkEntityInstanceState;

// A multi-object seen through a framework path: what an instance tells its
// observers a split or a join of its entity was about. Its constituents are
// the instances, in the same path, of the multi-object's framework entities
// (its other constituents as they are).
class KV_BASE_EXPORT KvMultiFrameworkEntityInstance : public KvMultiObject {
    KV_TYPE_HEADER(KvMultiFrameworkEntityInstance)
public:
    KvMultiFrameworkEntityInstance(const KvFrameworkPath& path, KvMultiObject* multi);
    ~KvMultiFrameworkEntityInstance() override;

    KvMultiObject* getMulti() const { return multi_.get(); }
    const KvFrameworkPath& getPath() const { return path_; }

    size_t getNumObjects() const override;
    // The constituent's instance in the path (made if need be), or the
    // constituent itself when it is no framework entity.
    KvObservedObject* getObject(size_t index) const override;
    // A constituent, or an instance in the same path of one.
    bool contains(const KvObservedObject* obj) const override;
    KvUndoState* getUndoState() const override;

    void handleReplaceAction(KvReplaceAction* action) override;
    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;

protected:
    KvMultiFrameworkEntityInstance(KvAttributedObjectUndoBridge* bridge,
                                   const KvMultiFrameworkEntityInstanceState& state);
    // Does not follow the multi-object.
    KvMultiObject* createTemporaryCopy() const override;

private:
    friend class KvMultiFrameworkEntityInstanceState;

    KvMultiFrameworkEntityInstance(const KvMultiFrameworkEntityInstance& other);
    void setMulti(KvMultiObject* multi);
    bool fromMulti(const KvAction* action) const;

    KvObservedRef<KvMultiObject> multi_;
    KvFrameworkPath path_;
};
