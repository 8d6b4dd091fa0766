#include <KvTSObjectTrackingArray1.h>

#include <KvExcept.h>
#include <KvJoinAction.h>
#include <KvMultiObject.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvTSObjectTrackingArray1Handler.h>

#include <algorithm>

KV_TYPE_SOURCE(KvTSObjectTrackingArray1, "TSObjectTrackingArray1", KvObject)

namespace {

// The constituents of `multi` that are time-stamped objects, in order.
kv::vector<KvTSObject*> partsOf(KvMultiObject* multi) {
    kv::vector<KvTSObject*> parts;
    const size_t n = multi ? multi->getNumObjects() : 0;
    for (size_t i = 0; i < n; ++i)
        if (KvTSObject* part = KvTSObject::cast(multi->getObject(i))) parts.push_back(part);
    return parts;
}

}  // namespace

KvTSObjectTrackingArray1::KvTSObjectTrackingArray1() = default;

KvTSObjectTrackingArray1::KvTSObjectTrackingArray1(const KvTSObjectTrackingArray1& other)
    : KvObject(other), entries_(other.entries_) {
    observeAll();
}

KvTSObjectTrackingArray1::KvTSObjectTrackingArray1(const KvTSObjectArray1& entries) : entries_(entries) {
    observeAll();
}

KvTSObjectTrackingArray1::~KvTSObjectTrackingArray1() { clear(); }

KvTSObjectTrackingArray1& KvTSObjectTrackingArray1::operator=(const KvTSObjectTrackingArray1& other) {
    if (this == &other) return *this;
    *this = other.entries_;
    replaceMode_ = other.replaceMode_;
    splitMode_ = other.splitMode_;
    joinMode_ = other.joinMode_;
    return *this;
}

KvTSObjectTrackingArray1& KvTSObjectTrackingArray1::operator=(const KvTSObjectArray1& entries) {
    KvTSObjectArray1 fresh(entries);  // `entries` may be our own
    // Stop observing first: letting go of the old entries may purge them.
    unobserveAll();
    entries_.swap(fresh);
    entriesMoved();
    observeAll();
    return *this;
}

// --- the index

const KvTSObjectTrackingArray1::Positions* KvTSObjectTrackingArray1::positionsOf(const KvTSObject* obj) const {
    if (!indexed_) {
        index_.clear();
        index_.reserve(static_cast<int>(entries_.size()));
        size_t i = 0;
        for (const KvTSObject* e : entries_)
            index_[e].append(i++);
        indexed_ = true;
    }
    auto it = index_.constFind(obj);
    return it == index_.constEnd() ? nullptr : &*it;
}

size_t KvTSObjectTrackingArray1::countOf(const KvTSObject* obj) const {
    const Positions* at = positionsOf(obj);
    return at ? static_cast<size_t>(at->size()) : 0;
}

void KvTSObjectTrackingArray1::append(KvTSObject* obj) {
    entries_.push_back(obj);
    if (indexed_) index_[obj].append(entries_.size() - 1);
}

void KvTSObjectTrackingArray1::overwrite(size_t index, KvTSObject* obj) {
    const KvTSObject* old = entries_[index];
    if (old == obj) return;
    if (indexed_) {
        auto it = index_.find(old);
        Positions& from = *it;
        from.remove(static_cast<int>(std::find(from.begin(), from.end(), index) - from.begin()));
        if (from.isEmpty()) index_.erase(it);
        Positions& to = index_[obj];
        to.insert(std::lower_bound(to.begin(), to.end(), index), index);
    }
    entries_.replace(index, obj);
}

void KvTSObjectTrackingArray1::overwriteAll(const KvTSObject* old, KvTSObject* obj) {
    positionsOf(old);  // the index, built if need be
    const Positions at = index_.take(old);
    for (size_t i : at)
        entries_.replace(i, obj);
    Positions& to = index_[obj];
    if (to.isEmpty()) {
        to = at;
        return;
    }
    Positions merged;
    merged.resize(to.size() + at.size());
    std::merge(to.begin(), to.end(), at.begin(), at.end(), merged.begin());
    to = merged;
}

bool KvTSObjectTrackingArray1::eraseAll(KvTSObject* obj) {
    if (countOf(obj) == 0) return false;
    entries_.eraseAll(obj);
    entriesMoved();
    return true;
}

void KvTSObjectTrackingArray1::eraseAt(size_t index) {
    entries_.removeAt(index);
    entriesMoved();
}

void KvTSObjectTrackingArray1::observe(KvTSObject* obj) {
    if (obj) obj->addObserver(this);
}

void KvTSObjectTrackingArray1::unobserve(const KvTSObject* obj) {
    if (obj) obj->removeObserver(this);
}

void KvTSObjectTrackingArray1::observeAll() {
    for (KvTSObject* e : entries_)
        observe(e);
}

void KvTSObjectTrackingArray1::unobserveAll() {
    for (const KvTSObject* e : entries_)
        unobserve(e);
}

void KvTSObjectTrackingArray1::changed() {
    if (handler_) handler_->arrayChanged(KvActionObject(this));
}

// --- editing

void KvTSObjectTrackingArray1::add(KvTSObject* obj) {
    append(obj);
    observe(obj);
}

void KvTSObjectTrackingArray1::add(const KvTSObjectTrackingArray1& other) {
    const KvTSObjectArray1 theirs(other.entries_);  // `other` may be this array
    entries_.reserve(entries_.size() + theirs.size());
    for (KvTSObject* e : theirs)
        add(e);
}

bool KvTSObjectTrackingArray1::addUnique(KvTSObject* obj) {
    if (contains(obj)) return false;
    add(obj);
    return true;
}

void KvTSObjectTrackingArray1::set(size_t index, KvTSObject* obj) {
    const KvTSObject* old = entries_[index];
    if (old == obj) return;
    const bool oldStays = countOf(old) > 1;
    const bool newThere = countOf(obj) > 0;
    if (!oldStays) unobserve(old);
    overwrite(index, obj);
    if (!newThere) observe(obj);
}

void KvTSObjectTrackingArray1::remove(KvTSObject* obj) {
    unobserve(obj);
    eraseAll(obj);
}

void KvTSObjectTrackingArray1::remove(long long index) {
    if (index < 0 || static_cast<size_t>(index) >= size())
        throw KvExcept::boundsError("KvTSObjectTrackingArray1::remove");
    const KvTSObject* obj = entries_[static_cast<size_t>(index)];
    if (countOf(obj) == 1) unobserve(obj);
    eraseAt(static_cast<size_t>(index));
}

void KvTSObjectTrackingArray1::pop_back() {
    if (empty()) throw KvExcept("KvTSObjectTrackingArray1::pop_back: array is empty");
    const KvTSObject* obj = entries_.back();
    if (countOf(obj) == 1) unobserve(obj);
    if (indexed_) {
        auto it = index_.find(obj);
        it->removeLast();
        if (it->isEmpty()) index_.erase(it);
    }
    entries_.pop_back();
}

void KvTSObjectTrackingArray1::clear() {
    unobserveAll();
    entries_.clear();
    index_.clear();
    indexed_ = true;
}

void KvTSObjectTrackingArray1::setPreserveEntries(ReplaceMode replace, SplitMode split, JoinMode join) {
    replaceMode_ = replace;
    splitMode_ = split;
    joinMode_ = join;
}

// --- queries

KvTSObject* KvTSObjectTrackingArray1::back() const {
    if (empty()) throw KvExcept("KvTSObjectTrackingArray1::back: array is empty");
    return entries_.back();
}

long long KvTSObjectTrackingArray1::find(const KvTSObject* obj) const {
    const Positions* at = positionsOf(obj);
    return at ? static_cast<long long>(at->front()) : -1;
}

// --- following the objects
//
// An action about an object the array does not hold (any more) is a stray:
// it unsubscribes, and the handler hears nothing.

void KvTSObjectTrackingArray1::handlePurgeAction(KvPurgeAction* action) {
    KvTSObject* obj = KvTSObject::cast(action->getSource());
    if (!obj || !contains(obj)) return handleBadAction(action);
    remove(obj);
    changed();
}

void KvTSObjectTrackingArray1::handleReplaceAction(KvReplaceAction* action) {
    KvTSObject* old = KvTSObject::cast(action->getSource());
    if (!old || !contains(old)) return handleBadAction(action);
    // Replaced by nothing (or by no time-stamped object): the array keeps
    // following the old object, which a purge will take out if it goes.
    KvTSObject* replacement = KvTSObject::cast(action->getReplacement());
    if (!replacement) return;
    // An object replaced by itself keeps its entries.
    if (replacement != old) {
        unobserve(old);
        if (replaceMode_ == ReplaceInPlace || (replaceMode_ == ReplaceUnique && !contains(replacement))) {
            overwriteAll(old, replacement);
            observe(replacement);
        } else {
            eraseAll(old);
        }
    }
    changed();
}

void KvTSObjectTrackingArray1::handleSplitAction(KvSplitAction* action) {
    KvTSObject* split = KvTSObject::cast(action->getSource());
    if (!split) return;
    if (!contains(split)) return handleBadAction(action);
    unobserve(split);
    const kv::vector<KvTSObject*> parts = partsOf(action->getMulti());
    switch (splitMode_) {
        case SplitInPlace: {
            // One pass: inserting in place moves every later entry anyway.
            KvTSObjectArray1 rebuilt;
            rebuilt.reserve(entries_.size() + countOf(split) * parts.size());
            for (KvTSObject* e : entries_) {
                if (e != split) {
                    rebuilt.push_back(e);
                    continue;
                }
                for (KvTSObject* part : parts)
                    rebuilt.push_back(part);
            }
            entries_.swap(rebuilt);
            entriesMoved();
            for (KvTSObject* part : parts)
                observe(part);
            break;
        }
        case SplitAppendUnique:
            eraseAll(split);
            for (KvTSObject* part : parts)
                addUnique(part);
            break;
        case SplitRemove:
            eraseAll(split);
            break;
    }
    changed();
}

// One join action comes per constituent; the first that reaches the array
// settles all of them, so the later ones find their source gone.
void KvTSObjectTrackingArray1::handleJoinAction(KvJoinAction* action) {
    KvTSObject* source = KvTSObject::cast(action->getSource());
    if (!source || !contains(source)) return handleBadAction(action);
    KvTSObject* joined = KvTSObject::cast(action->getSingle());
    const size_t before = size();
    bool given = false;
    for (KvTSObject* part : partsOf(action->getMulti())) {
        // A constituent that is itself the joined object keeps its entries.
        if (part == joined) continue;
        unobserve(part);
        if (joinMode_ == JoinInPlace && joined && !given && contains(part)) {
            overwriteAll(part, joined);
            observe(joined);
            given = true;
        } else {
            eraseAll(part);
        }
    }
    if (joinMode_ == JoinAppendUnique && joined && size() < before) addUnique(joined);
    changed();
}
