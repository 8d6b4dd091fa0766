#pragma once

#include <KvObservedObject.h>

#include <KvTSObjectMapKey.h>
#include <KvTimeStamp.h>
#include <vector>

#include <map>
#include <set>

class KvConstTSObjectArray1;
class KvConstTSObjectSet;
class KvTSObject;
class KvTSObjectArray1;
class KvTSObjectSet;

// Runs one cloning operation over time-stamped objects.
//
// Use: mark what must be cloned (addMustClone), build the clones (each
// object's getClone() pairs itself with its clone here; getClone() and
// getMaster() below answer "what stands for this object now"), change the
// clones, then either commit (makeReplacements: the clones take their
// masters' places, and clones that were never changed give way to their
// masters again) or abandon (discardReplacements: the clones are purged).
// Both end with the mapper empty.
//
// The mapper observes every master and clone it has paired and follows them
// through replacement, split, join and purge while the operation runs. Each
// clone-map entry holds one reference to its clone; masters are not held.
//
// The commit and the abandon run inside an action-queue run; called from
// outside one, they start it.
class KV_BASE_EXPORT KvCloneMapper : public KvObservedObject {
    KV_TYPE_HEADER(KvCloneMapper)
public:
    enum TimeStampMode {
        PreserveTimeStamps = 0,  // clones keep their master's creation stamp
        NewTimeStamps = 1        // clones get a stamp of their own
    };

    KvCloneMapper();
    explicit KvCloneMapper(TimeStampMode mode);
    ~KvCloneMapper() override;
    KvCloneMapper(const KvCloneMapper&) = delete;
    KvCloneMapper& operator=(const KvCloneMapper&) = delete;

    // Records that `clone` is the clone of `master`. Throws on a null or
    // conflicting pair, or on objects of different types; a known pair is
    // accepted silently.
    void addPair(KvTSObject* master, KvTSObject* clone);
    // Drops whatever pairing either object has, then pairs them.
    void rePair(KvTSObject* master, KvTSObject* clone);
    // rePair() leaves `obj` alone from now on.
    void stopRePair(KvTSObject* obj);

    // Marks `obj` (and, through its hook, what goes with it) for cloning.
    void addMustClone(const KvTSObject* obj);
    void addMustClone(const KvConstTSObjectArray1& objects);
    void addMustClone(const KvConstTSObjectSet& objects);
    void explicitAddMustClone(const KvTSObject* obj);
    void explicitAddMustClone(const KvConstTSObjectArray1& objects);
    void explicitAddMustClone(const KvConstTSObjectSet& objects);
    bool mustBeCloned(const KvTSObject* obj) const;

    bool isMaster(KvTSObject* obj, KvTSObject*& clone) const;
    bool isClone(KvTSObject* obj, KvTSObject*& master) const;

    // What stands for `obj` in the cloned world. False (and null) only for a
    // marked object whose clone does not exist yet; a clone, an object made
    // during the operation and an unmarked object stand for themselves.
    bool getClone(KvTSObject* obj, KvTSObject*& clone) const;
    bool getClone(const KvTSObject* obj, const KvTSObject*& clone) const;
    // The object `obj` stands for in the original world; null for an object
    // made during the operation.
    KvTSObject* getMaster(KvTSObject* obj) const;
    const KvTSObject* getMaster(const KvTSObject* obj) const;
    void getMasters(KvTSObject* clone, KvTSObjectArray1& out) const;
    void getMasters(const KvTSObject* clone, KvConstTSObjectArray1& out) const;
    KvTSObjectSet getClones();

    bool preserveTimeStamps() const { return preserveTimeStamps_; }
    // Objects stamped later were made during the operation.
    const KvTimeStamp& getTimeStamp() const { return timeStamp_; }

    // Commit.
    void makeReplacements();
    // Abandon: the clones are purged.
    void discardReplacements();
    // Gives up the pairing without replacing anything; `objects` receives
    // the clones.
    void breakReplacements(KvTSObjectSet& objects);
    void dump() {}

    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction* action) override;

    // Sizes of the maps, for diagnostics and tests.
    size_t getNumMasters() const { return masters_.size(); }
    size_t getNumCloneEntries() const { return clones_.size(); }

protected:
    void preDestroy() override;

private:
    friend class KvCloneMapperReplacer;

    using MasterMap = std::map<KvTSObjectMapKey, KvTSObject*>;
    using CloneMap = std::multimap<KvTSObjectMapKey, KvTSObject*>;
    using ObjectSet = std::set<const KvTSObject*>;

    void checkClones();
    void makeTrueReplacements();
    void discardNow();
    void reset();
    bool haveCloneMapping(KvTSObject* master, KvTSObject* clone) const;

    KvTSObject* firstMaster(KvTSObject* clone) const;
    // Enters one clone-map entry: one reference to `clone`.
    void enterClone(KvTSObject* clone, KvTSObject* master);
    // Removes every entry of `clone` and stops observing it; the references
    // are dropped last, since that may start the clone's destruction.
    void dropClone(KvTSObject* clone);
    // Removes every entry of `clone` and returns their masters in map order.
    // The entries' references to `clone` are the caller's to drop.
    std::vector<KvTSObject*> takeCloneEntries(KvTSObject* clone);
    // A master-map entry of `master` that names `from` now names `to`.
    void retargetMaster(KvTSObject* master, KvTSObject* from, KvTSObject* to);
    void moveMaster(KvTSObject* from, KvTSObject* to);

    bool preserveTimeStamps_;
    KvTimeStamp timeStamp_;
    MasterMap masters_;
    CloneMap clones_;
    ObjectSet mustClone_;
    ObjectSet noRePair_;
    ObjectSet skip_;
};
