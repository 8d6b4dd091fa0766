#pragma once

#include <KvAttributedObject.h>
#include <KvTimeStamp.h>

#include <cstdint>

class KvCloneMapper;
class KvConstTSObjectArray1;
class KvDataStore;
class KvFrameworkBase;
class KvMapper;
class KvMultiObject;
class KvTSObjectMapKey;
class KvTSObjectState;

// An attributed object with an identity in creation order.
//
// Each object carries the stamp of its creation; time-stamped objects sort by
// it (ties, which only clones that kept their master's stamp produce, go by
// address), so sets of them come out in creation order. A time-stamped object
// is unordered against objects that are not time-stamped.
//
// Cloning is driven by a KvCloneMapper: a concrete class's getClone() builds
// its clone with the clone constructor, pairs it with the mapper and hands it
// back; the mapper later calls the pre...Replace hooks while it puts clones
// in the masters' places.
class KV_BASE_EXPORT KvTSObject : public KvAttributedObject {
    KV_TYPE_HEADER(KvTSObject)
public:
    KvTSObject();
    // A copy is a new object: it gets a stamp of its own.
    KvTSObject(const KvTSObject& other);
    ~KvTSObject() override;

    // Assigns the attributes; the stamp stays.
    KvTSObject& operator=(const KvTSObject& other);

    const KvTimeStamp& getCreationTimeStamp(bool& isStamped) const override;
    bool operator<(const KvGenre& other) const override;

    // The groups that hold this object.
    void getVisibilityDependentEntities(KvConstAttributedObjectArray1& out) const override;
    // The stamp is not saved: a loaded object is a new one.
    void save(KvDataStore& store) const override;

    // This object's clone for `mapper`, made on first request.
    virtual KvTSObject* getClone(KvCloneMapper& mapper) = 0;
    virtual const KvTSObject* getClone(KvCloneMapper& mapper) const = 0;
    // Order of cloning; higher goes first.
    virtual uint64_t getClonePriority() const = 0;
    // Takes the object out of the model. Derived classes detach first.
    virtual void unlink();
    // Called on each clone before a commit decides what replaces what.
    virtual void checkClones(KvCloneMapper& mapper) const;
    virtual KvMapper* getSplitMapper(KvMultiObject* multi) const;
    virtual KvMapper* getReplaceMapper(KvTSObject* clone) const;
    // Runs on a master just before its observers hear it is replaced by `clone`.
    virtual void preMasterReplace(const KvTSObject* clone, const KvCloneMapper* mapper);
    // Runs on an unchanged clone just before it is replaced back by `master`.
    virtual void preCloneReplace(const KvTSObject* master, const KvCloneMapper* mapper);
    virtual bool isFrameworked() const;
    virtual KvFrameworkBase* getFramework() const;

    const KvTimeStamp& getTimeStamp() const { return timeStamp_; }
    bool isNewerThan(const KvTSObject& other) const { return timeStamp_ > other.timeStamp_; }
    bool isOlderThan(const KvTSObject& other) const { return timeStamp_ < other.timeStamp_; }

    operator KvTSObjectMapKey();

    // Sorts into creation order and drops repeated elements.
    static void sortArray(KvConstTSObjectArray1& array);

protected:
    // Keeps the master's stamp when the mapper preserves stamps.
    KvTSObject(const KvTSObject& master, KvCloneMapper& mapper);
    explicit KvTSObject(const KvDataStore& store);
    KvTSObject(KvAttributedObjectUndoBridge* bridge, const KvTSObjectState& state);

    // Run by concrete getClone() once the clone is paired.
    virtual void postClone(const KvTSObject* master, KvCloneMapper& mapper);

    bool isTimeStamped() const override { return true; }

private:
    friend class KvTSObjectState;

    bool flag_ = false;
    KvTimeStamp timeStamp_;
};
