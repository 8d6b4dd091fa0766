#pragma once

#include <KvAttributeItem.h>
#include <KvMap.h>
#include <KvParamSet.h>
#include <KvSet.h>
#include <KvString.h>
#include <KvVector.h>

#include <map>

class KvDataStore;
class KvParamSetAttributeState;
class KvSharedParamSet;
template <class T>
class KvComplexAttrIOHandler;

// The parameters an entity carries: local parameter sets, each filed under a
// prefix and a class ("prefix@class"), and shared parameter sets attached
// under a prefix. The attribute observes each attached shared set once, and
// follows it when it is destroyed, replaced, split or joined. Undo restores
// the local sets only; attachments follow the shared sets' own actions.
class KV_BASE_EXPORT KvParamSetAttribute : public KvAttributeItem {
    KV_TYPE_HEADER(KvParamSetAttribute)
public:
    using LocalSets = std::map<KvString, KvParamSet>;
    using AttachedSets = std::map<KvString, kv::vector<KvSharedParamSet*>>;

    KvParamSetAttribute();
    KvParamSetAttribute(const KvParamSetAttribute& o);
    ~KvParamSetAttribute() override;

    KvUndoState* getState() const override;
    KvAttributeItem* duplicate() const override;
    using KvAttributeItem::duplicate;
    // A copy of this one with each of `others` merged in, in order.
    KvAttributeItem* join(const kv::vector<const KvAttributeItem*>& others) const override;
    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    virtual void save(KvDataStore& store) const;

    // --- local sets
    // An empty set, the same one every time, when there is none.
    const KvParamSet& params(const KvString& prefix, const KvString& cls) const;
    void setParams(const KvString& prefix, const KvString& cls, const KvParamSet& params);
    void removeParams(const KvString& prefix, const KvString& cls);
    void clearModified(const KvString& prefix, const KvString& cls);
    void fillNames(const KvString& prefix, kv::set<KvString>& out) const;
    void fillNames(kv::map<KvString, kv::set<KvString>>& out) const;
    const LocalSets& getLocalSets() const { return local_; }

    // --- attached shared sets
    void attachParamSet(const KvString& prefix, KvSharedParamSet* set);
    // Attaches `set` in place of the prefix's sets of its class.
    void attachExclusiveParamSet(const KvString& prefix, KvSharedParamSet* set);
    void detachParamSet(const KvString& prefix, KvSharedParamSet* set);
    const KvSharedParamSet* findAttachedByClass(const KvString& prefix, const KvString& cls) const;
    const KvSharedParamSet* findAttachedByName(const KvString& prefix, const KvString& name) const;
    void getAttachedParamSets(const KvString& prefix, kv::vector<KvSharedParamSet*>& out) const;
    void getAttachedPrefixes(kv::vector<KvString>& out) const;
    void getAttachedPrefixes(const KvSharedParamSet* set, kv::vector<KvString>& out) const;
    // Names of the prefix's sets of class `cls`, or of all when `cls` is empty.
    void fillAttachedNames(const KvString& prefix, const KvString& cls, kv::set<KvString>& out) const;

    static KvString compoundKey(const KvString& prefix, const KvString& cls);

protected:
    friend class KvComplexAttrIOHandler<KvParamSetAttribute>;
    friend class KvParamSetAttributeState;

    explicit KvParamSetAttribute(const KvDataStore& store);
    explicit KvParamSetAttribute(const KvParamSetAttributeState& state);

private:
    void merge(const KvParamSetAttribute& other);
    // Whether any prefix's list holds `set`.
    bool isAttached(const KvSharedParamSet* set) const;
    void observeAll();

    LocalSets local_;
    AttachedSets attached_;
};
