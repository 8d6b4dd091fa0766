#pragma once

#include <KvObject.h>
#include <KvTSObject.h>
#include <KvTSObjectArray1.h>

#include <QHash>
#include <QVarLengthArray>

#include <cstddef>
#include <cstdint>

class KvTSObjectTrackingArray1Handler;

// An array of counted references to time-stamped objects that follows its
// objects through the events that change their identity: a purged object
// leaves, a replaced one is replaced, a split one becomes its parts, joined
// ones become the joined object. Three modes choose how replace, split and
// join are followed. Null entries and repeats are allowed; the array observes
// each object while at least one entry holds it. An optional handler (not
// owned) is told after each event the array followed.
class KV_BASE_EXPORT KvTSObjectTrackingArray1 : public KvObject {
    KV_TYPE_HEADER(KvTSObjectTrackingArray1)
public:
    enum ReplaceMode : int32_t {
        ReplaceInPlace = 0,  // every entry of the old object takes the replacement
        ReplaceUnique = 1,   // as in place, unless the replacement is there: then the old entries go
        ReplaceRemove = 2    // the old object's entries go
    };
    enum SplitMode : int32_t {
        SplitInPlace = 0,       // each entry of the split object becomes the parts, in order
        SplitAppendUnique = 1,  // the split object's entries go; parts not yet present are appended
        SplitRemove = 2         // the split object's entries go
    };
    enum JoinMode : int32_t {
        JoinInPlace = 0,       // the first joined object present takes the result; the others' entries go
        JoinAppendUnique = 1,  // the joined objects' entries go; if any went, the result is appended once
        JoinRemove = 2         // the joined objects' entries go
    };

    KvTSObjectTrackingArray1();
    // Both copy the entries only: modes 1, 1, 1 and no handler.
    KvTSObjectTrackingArray1(const KvTSObjectTrackingArray1& other);
    explicit KvTSObjectTrackingArray1(const KvTSObjectArray1& entries);
    ~KvTSObjectTrackingArray1() override;
    // Copies the entries and the modes, not the handler.
    KvTSObjectTrackingArray1& operator=(const KvTSObjectTrackingArray1& other);
    // Copies the entries; the modes stay.
    KvTSObjectTrackingArray1& operator=(const KvTSObjectArray1& entries);

    // --- editing
    void add(KvTSObject* obj);
    void add(const KvTSObjectTrackingArray1& other);
    // False when `obj` (null included) is there already.
    bool addUnique(KvTSObject* obj);
    void push_back_unique(KvTSObject* obj) { addUnique(obj); }
    // `index` must be below size().
    void set(size_t index, KvTSObject* obj);
    // Every entry of `obj`.
    void remove(KvTSObject* obj);
    // Throws "KvTSObjectTrackingArray1::remove: index out of range".
    void remove(long long index);
    // Throws "KvTSObjectTrackingArray1::pop_back: array is empty".
    void pop_back();
    void clear();
    void setHandler(KvTSObjectTrackingArray1Handler* handler) { handler_ = handler; }
    void setPreserveEntries(ReplaceMode replace, SplitMode split, JoinMode join);

    // --- queries
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // `index` must be below size().
    KvTSObject* get(size_t index) const { return entries_[index]; }
    // Throws "KvTSObjectTrackingArray1::back: array is empty".
    KvTSObject* back() const;
    bool contains(const KvTSObject* obj) const { return countOf(obj) > 0; }
    // The index of the first entry of `obj`, or -1.
    long long find(const KvTSObject* obj) const;
    // Shares the entries' block: no element is copied.
    void getEntities(KvTSObjectArray1& out) const { out = entries_; }
    ReplaceMode getReplaceMode() const { return replaceMode_; }
    SplitMode getSplitMode() const { return splitMode_; }
    JoinMode getJoinMode() const { return joinMode_; }

    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction* action) override;

private:
    // Where each object (null included) stands in the array, ascending. It is
    // built by the first lookup after a change that moved entries, and kept
    // up to date by the changes that move none (append, overwrite, pop), so
    // that following one object costs its own entries, not a walk of the
    // whole array.
    using Positions = QVarLengthArray<size_t, 1>;

    const Positions* positionsOf(const KvTSObject* obj) const;
    size_t countOf(const KvTSObject* obj) const;
    void append(KvTSObject* obj);
    // Entry `index` takes `obj`; observation is the caller's.
    void overwrite(size_t index, KvTSObject* obj);
    // Every entry of `old` takes `obj`.
    void overwriteAll(const KvTSObject* old, KvTSObject* obj);
    // Erases every entry of `obj`; true when there was one.
    bool eraseAll(KvTSObject* obj);
    void eraseAt(size_t index);
    void entriesMoved() { indexed_ = false; }
    void observe(KvTSObject* obj);
    void unobserve(const KvTSObject* obj);
    void observeAll();
    void unobserveAll();
    void changed();

    ReplaceMode replaceMode_ = ReplaceUnique;
    SplitMode splitMode_ = SplitAppendUnique;
    JoinMode joinMode_ = JoinAppendUnique;
    KvTSObjectArray1 entries_;
    KvTSObjectTrackingArray1Handler* handler_ = nullptr;
    mutable QHash<const KvTSObject*, Positions> index_;
    mutable bool indexed_ = false;
};
