#pragma once

#include <KvFrameworkBase.h>
#include <KvFrameworkPathMonitor.h>
#include <KvObject.h>
#include <KvObservedRef.h>
#include <KvRefPtr.h>
#include <KvString.h>
#include <KvUndoReference.h>
#include <KvVector.h>
#include <KvXformMatrix.h>

#include <cstddef>
#include <iosfwd>

class KvDataStore;
class KvFrameworkPathImpl;
class KvFrameworkPathQueryActive;

// A chain of nested frameworks, from a root down to a tail, each holding the
// next. Paths are values, copied freely: the chain lives in a shared, interned
// KvFrameworkPathImpl that every path along it uses and observes. A path
// follows its chain as frameworks are purged (the chain ends before) or a
// child leaves its parent (the chain ends at the parent), and tells its own
// monitors (not copied with it) of every change.
//
// A path edit (append, join, set, trim...) leaves the path on the one impl of
// its new chain, made if there is none yet; an edit that leaves no framework
// leaves the path empty.
class KV_BASE_EXPORT KvFrameworkPath : public KvObject {
    KV_TYPE_HEADER(KvFrameworkPath)
public:
    using Chain = kv::vector<KvRefPtr<KvFrameworkBase>>;

    // What getXformFromPath found.
    enum Result { Success = 0, NoJoinFromThisTail = 1, NoJoinFromOtherTail = 2, Unrelated = 3 };

    KvFrameworkPath();
    // Shares the other's chain; the monitors stay with the other.
    KvFrameworkPath(const KvFrameworkPath& other);
    ~KvFrameworkPath() override;
    // Takes the other's chain and tells the monitors.
    KvFrameworkPath& operator=(const KvFrameworkPath& other);

    // --- the chain
    size_t getDepth() const;
    bool isEmpty() const { return getDepth() == 0; }
    // Root first; throws "KvFrameworkPath::getFramework: index out of range".
    KvFrameworkBase* getFramework(size_t i) const;
    KvFrameworkBase* getRoot() const;
    KvFrameworkBase* getTail() const;
    // The index from the root, or -1.
    long long find(const KvFrameworkBase* framework) const;
    bool contains(const KvFrameworkBase* framework) const { return find(framework) >= 0; }
    // True when `child` follows `parent` in the chain.
    bool contains(const KvFrameworkBase* parent, const KvFrameworkBase* child) const;
    // Root first.
    Chain list() const;
    const KvFrameworkPathImpl* getImpl() const { return impl_.get(); }

    // --- transforms (identity for an empty path)
    const KvXformMatrix& getTailToRootXform() const;
    KvXformMatrix getRootToTailXform() const;
    // The transform from `other`'s tail into this path's tail.
    Result getXformFromPath(const KvFrameworkPath& other, KvXformMatrix& out) const;

    // Equal when the chains are; all empty paths are equal.
    bool operator==(const KvFrameworkPath& other) const;
    bool operator!=(const KvFrameworkPath& other) const { return !(*this == other); }
    // Shorter chains first; a path without chain last.
    bool operator<(const KvFrameworkPath& other) const;
    using KvGenre::operator<;

    // The frameworks' names, root first, each escaped for `separator`.
    KvString toString(char separator) const;
    // Paths are not read from text: `out` is cleared and the answer is false.
    static bool fromString(const KvString& text, const KvFrameworkBase& root, KvFrameworkPath& out, char separator);

    // --- edits; each tells the monitors
    // False for null, or when the tail does not hold `framework`.
    bool append(KvFrameworkBase* framework);
    // False, and nothing changes, when the tail does not hold the other's root.
    bool join(const KvFrameworkPath& other);
    // Takes the chain up to the first null framework or the first that its
    // predecessor does not hold; true when that was the whole chain.
    bool set(const Chain& chain);
    KvFrameworkPath& trimEnd(size_t n);
    KvFrameworkPath& trimStart(size_t n);
    void clear();

    // The undo form: the frameworks' undo references, root first.
    kv::vector<KvUndoReference> createState() const;
    // Back to the frameworks the references name now, as set() takes them.
    bool restoreFromState(const kv::vector<KvUndoReference>& state);

    // Null and repeats are ignored.
    void addMonitor(KvFrameworkPathMonitor* monitor);
    void removeMonitor(KvFrameworkPathMonitor* monitor);

    // The frameworks as references under `key`; nothing for a path without
    // chain.
    bool save(const char* key, KvDataStore& store) const;
    // Reports "Null framework in path." or "Bad framework in path." to the
    // store and returns false when the stored chain does not hold.
    bool read(const char* key, const KvDataStore& store);

    // The application's query, else the active framework alone, else empty.
    static KvFrameworkPath getActive();
    static void setActivePathQuery(KvFrameworkPathQueryActive* query);
    // Once per process.
    static void init();

    // How many chains run through `framework`, or through `parent` then `child`.
    static size_t getNumPaths(const KvFrameworkBase* framework);
    static size_t getNumPaths(const KvFrameworkBase* parent, const KvFrameworkBase* child);

    // The application changed the nesting of frameworks: every chain that
    // runs through it follows. Observers hear of it when the edit is done.
    static void adjustPathsInsert(KvFrameworkBase* parent, KvFrameworkBase* inserted, KvFrameworkBase* child);
    static void adjustPathsRemove(KvFrameworkBase* parent, KvFrameworkBase* child);
    static void adjustPathsReparent(KvFrameworkBase* parent, KvFrameworkBase* child,
                                    const KvFrameworkPath& newParentPath);
    static void adjustPathsSwap(KvFrameworkBase* parent, KvFrameworkBase* oldChild, KvFrameworkBase* newChild);
    static void adjustPathsFlatten(const Chain& chain);

    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleCosmeticAction(KvCosmeticAction* action) override;

private:
    void setImpl(KvFrameworkPathImpl* impl);
    // The path now runs along `chain`, which holds; tells the monitors.
    void adopt(const Chain& chain);
    void notify(KvFrameworkPathMonitor::Reason reason);
    bool fromImpl(KvAction* action) const;

    KvObservedRef<KvFrameworkPathImpl> impl_;
    kv::vector<KvFrameworkPathMonitor*> monitors_;
};

// "{ root ... tail }"
KV_BASE_EXPORT std::ostream& operator<<(std::ostream& os, const KvFrameworkPath& path);
