#pragma once

#include <KvFollowsNothing.h>
#include <KvFrameworkBase.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvVector.h>
#include <KvXformMatrix.h>

#include <cstddef>

class KvFrameworkPath;

// The chain of frameworks behind framework paths, shared by every path that
// runs along it. Impls are interned: the edits leave at most one live impl
// per chain, found among the observers of the chain's tail. An impl holds
// and observes its frameworks, caches the tail-to-root transform, and cuts
// itself short when a framework is purged (before it) or a child leaves its
// parent (after the parent); its paths hear of each change.
class KV_BASE_EXPORT KvFrameworkPathImpl : public KvFollowsNothing<KvRefObject> {
    KV_TYPE_HEADER(KvFrameworkPathImpl)
public:
    using Chain = kv::vector<KvRefPtr<KvFrameworkBase>>;
    static constexpr size_t npos = static_cast<size_t>(-1);

    explicit KvFrameworkPathImpl(const Chain& frameworks = Chain());
    // The same chain and cached transform, observed anew.
    KvFrameworkPathImpl(const KvFrameworkPathImpl& other);
    ~KvFrameworkPathImpl() override;

    const Chain& getFrameworks() const { return frameworks_; }
    size_t size() const { return frameworks_.size(); }
    size_t indexOf(const KvFrameworkBase* framework) const;
    // The product of the frameworks' transforms below the root, cached.
    const KvXformMatrix& getTailToRootXform() const;

    // The live impl of `chain`, or null; never one of an empty chain.
    static KvFrameworkPathImpl* find(const Chain& chain, const KvFrameworkPathImpl* except = nullptr);
    // Frameworks [from, to) of `chain`.
    static Chain slice(const Chain& chain, size_t from, size_t to);
    // The impls that observe `framework`, held.
    static kv::vector<KvRefPtr<KvFrameworkPathImpl>> observing(const KvFrameworkBase* framework);

    // Runs along `chain` from now on; for a path that holds this impl alone.
    void setFrameworks(const Chain& chain);

    // The edits of the frameworks' nesting; each, when it applies, tells the
    // paths and returns true.
    bool insert(KvFrameworkBase* parent, KvFrameworkBase* inserted, KvFrameworkBase* child);
    bool removeChild(KvFrameworkBase* parent, KvFrameworkBase* child);
    bool reparent(KvFrameworkBase* parent, KvFrameworkBase* child, const KvFrameworkPath& newParentPath);
    bool swap(KvFrameworkBase* parent, KvFrameworkBase* oldChild, KvFrameworkBase* newChild);
    bool flatten(const Chain& chain);
    // After an edit: hands the paths over to the live impl of the same chain,
    // if there is one.
    void intern();

    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;

private:
    // Where `child` follows `parent`: the child's index, or npos.
    size_t childIndex(const KvFrameworkBase* parent, const KvFrameworkBase* child) const;
    // The edit form of setFrameworks: tells the paths.
    void edit(const Chain& chain);

    mutable bool xformValid_ = false;
    // Handed over to a twin; no longer found by interning.
    bool retired_ = false;
    mutable KvXformMatrix tailToRoot_;
    Chain frameworks_;
};
