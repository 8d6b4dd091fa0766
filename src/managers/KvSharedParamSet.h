#pragma once

#include <KvParamSet.h>
#include <KvRefObject.h>
#include <KvString.h>
#include <KvUndoReference.h>

#include <cstddef>

class KvDataStore;
class KvRefObjectSet;
class KvSharedParamSetState;
class KvSharedParamSetUndoBridge;
class KvUndoState;
template <class T>
class KvObjectIOHandler;

// A named, classed parameter set that many entities use at once: their
// parameter-set attributes attach it, and a change of it reaches them all.
// The sets of a document live in a KvSharedParamSetManager, which names and
// numbers them. Not an undo object itself: its bridge stands for it.
class KV_BASE_EXPORT KvSharedParamSet : public KvRefObject {
    KV_TYPE_HEADER(KvSharedParamSet)
public:
    KvSharedParamSet();
    KvSharedParamSet(const KvSharedParamSet& src);
    ~KvSharedParamSet() override;
    // Copies params, class and id; each set keeps its own bridge.
    KvSharedParamSet& operator=(const KvSharedParamSet& src);

    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}
    bool canUndo() const override { return true; }

    virtual void resetCachedValues();
    virtual void prepareToSaveUndoState() const;
    virtual KvUndoState* getUndoState() const;
    virtual KvUndoReference reference() const;

    const KvString& getName() const { return params_.name(); }
    const KvString& getClass() const { return class_; }
    size_t getId() const { return id_; }
    const KvParamSet& getParams() const { return params_; }
    // Notifies only when the class differs.
    void setClass(const KvString& cls);
    // Takes the parameters of `params`; the set keeps its own name.
    void setParams(const KvParamSet& params);
    bool operator==(const KvSharedParamSet& o) const { return params_ == o.params_; }
    // The owners of the parameter-set attributes this set is attached to.
    void getEntities(KvRefObjectSet& out) const;

    KvSharedParamSetUndoBridge* getUndoBridge() const { return bridge_; }

protected:
    explicit KvSharedParamSet(const KvDataStore& store);
    virtual void save(KvDataStore& store) const;
    virtual bool prerestore();
    virtual void postrestore(bool prerestoreResult);
    void preNotification() override;
    // Renames the params; always notifies.
    void setName(const KvString& name);
    void setId(size_t id);

private:
    friend class KvSharedParamSetManager;
    friend class KvSharedParamSetState;
    friend class KvSharedParamSetUndoBridge;
    friend class KvObjectIOHandler<KvSharedParamSet>;

    KvSharedParamSet(KvSharedParamSetUndoBridge* bridge, const KvSharedParamSetState& state);
    void createBridge();

    KvParamSet params_;
    KvString class_ = "User";
    size_t id_ = 1;
    KvSharedParamSetUndoBridge* bridge_ = nullptr;
};
