#pragma once

// Time-stamped objects for tests: a clonable entity with one value and a
// multi-object over any reference objects, both counted in one census.

#include <KvActionQueue.h>
#include <KvAttributeItem.h>
#include <KvAttributedObjectUndoBridge.h>
#include <KvBase.h>
#include <KvCloneMapper.h>
#include <KvMultiObject.h>
#include <KvMultiObjectState.h>
#include <KvRefObjectArray1.h>
#include <KvTSObject.h>
#include <KvTSObjectState.h>
#include <KvTestObjects.h>

namespace kvtest {

using TSCensus = Census<KvTSObject>;

// What the objects of the model below do with an action that is not about one
// of their own items or their bridge: write it down; true when they did.
inline bool logForeign(Log& log, KvAttributedObject* self, const char* kind, KvAction* a,
                       const KvGenre* other = nullptr) {
    KvObservedObject* src = a->getSource();
    if (KvAttributeItem::cast(src) || src == self->getUndoBridge()) return false;
    log.push_back(std::string(kind) + ":" + nameOf(src) + (other ? ">" + nameOf(other) : ""));
    return true;
}

// The handlers of a model object: foreign actions are written down, the
// object's own go to the base class.
template <class Base>
class LogsForeign : public Base {
public:
    using Base::Base;
    void handleReplaceAction(KvReplaceAction* a) override { logForeign(log, this, "Replace", a, a->getReplacement()); }
    void handleSplitAction(KvSplitAction* a) override { logForeign(log, this, "Split", a); }
    void handleJoinAction(KvJoinAction* a) override { logForeign(log, this, "Join", a, a->getSingle()); }
    void handleUpdateAction(KvUpdateAction* a) override {
        if (!logForeign(log, this, "Update", a)) Base::handleUpdateAction(a);
    }
    void handlePurgeAction(KvPurgeAction* a) override {
        if (!logForeign(log, this, "Purge", a)) Base::handlePurgeAction(a);
    }

    Log log;  // actions about other objects that reached this one
};

// The clone of `master` for `mapper`, made with T's clone constructor on the
// first request and paired with its master (T makes postClone public).
template <class T>
KvTSObject* cloneFor(T* master, KvCloneMapper& mapper) {
    KvTSObject* clone = nullptr;
    if (mapper.getClone(master, clone)) return clone;
    T* made = new T(*master, mapper);
    mapper.addPair(master, made);
    made->postClone(master, mapper);
    return made;
}

class Entity;

class EntityState : public KvTSObjectState {
public:
    explicit EntityState(const Entity& e);
    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override;
    void restoreBridgedObject(KvAttributedObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    std::string name;
    int value;
};

// A clonable time-stamped object with a name and one value. Its clone is
// named after the master with a "'" added.
class Entity : public LogsForeign<KvTSObject>, public Named {
public:
    // The test's own name, not the name attribute's (name()).
    using Named::name;
    explicit Entity(std::string n = "e", int v = 0) : Named(std::move(n)), value(v) { TSCensus::born(this); }
    Entity(const Entity& o) : LogsForeign(o), Named(o.name), value(o.value) { TSCensus::born(this); }
    Entity(const Entity& master, KvCloneMapper& mapper)
        : LogsForeign(master, mapper), Named(master.name + "'"), value(master.value) {
        TSCensus::born(this);
    }
    Entity(KvAttributedObjectUndoBridge* bridge, const EntityState& s)
        : LogsForeign(bridge, s), Named(s.name), value(s.value) {
        TSCensus::born(this);
    }
    ~Entity() override { TSCensus::died(this); }
    // Takes the value and the attributes; name and stamp stay.
    Entity& operator=(const Entity& o) {
        KvTSObject::operator=(o);
        value = o.value;
        return *this;
    }

    KvTSObject* getClone(KvCloneMapper& mapper) override { return cloneFor(this, mapper); }
    using KvTSObject::postClone;  // for cloneFor
    const KvTSObject* getClone(KvCloneMapper& mapper) const override {
        return const_cast<Entity*>(this)->getClone(mapper);
    }
    uint64_t getClonePriority() const override { return priority; }
    KvUndoState* getUndoState() const override { return new EntityState(*this); }

    void setValue(int v) {
        value = v;
        updateObservers();
    }

    int value;
    uint64_t priority = 1;
};

inline EntityState::EntityState(const Entity& e) : KvTSObjectState(e), name(e.name), value(e.value) {}

inline KvAttributedObject* EntityState::recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const {
    return new Entity(bridge, *this);
}

inline void EntityState::restoreBridgedObject(KvAttributedObject* obj) const {
    KvTSObjectState::restoreBridgedObject(obj);
    if (auto* e = dynamic_cast<Entity*>(obj)) e->value = value;
}

inline bool EntityState::isSame(const KvUndoState* other) const {
    auto* o = dynamic_cast<const EntityState*>(other);
    return o && o->value == value && isPartSame(o);
}

// A multi-object over any reference objects; it observes them unless it is a
// temporary copy, named after its original with a "~" added.
class Multi : public LogsForeign<KvMultiObject>, public Named {
public:
    // The test's own name, not the name attribute's (name()).
    using Named::name;
    explicit Multi(std::vector<KvRefObject*> objects = {}, std::string n = "multi") : Named(std::move(n)) {
        TSCensus::born(this);
        for (KvRefObject* o : objects)
            add(o);
    }
    Multi(const Multi& o) : LogsForeign(o), Named(o.name + "~"), members(o.members) { TSCensus::born(this); }
    ~Multi() override {
        for (KvRefObject* m : members)
            if (m) m->removeObserver(this);
        TSCensus::died(this);
    }

    void add(KvRefObject* o) {
        members.push_back(o);
        o->addObserver(this);
    }

    size_t getNumObjects() const override { return members.size(); }
    KvObservedObject* getObject(size_t i) const override { return members[i]; }
    bool contains(const KvObservedObject* o) const override {
        for (KvRefObject* m : members)
            if (m == o) return true;
        return false;
    }
    KvUndoState* getUndoState() const override { return nullptr; }

    KvRefObjectArray1 members;

protected:
    // The copy does not observe the constituents.
    KvMultiObject* createTemporaryCopy() const override { return new Multi(*this); }
};

// Every test object made in a test is deleted in it, once.
class TSTest : public ::testing::Test {
protected:
    void SetUp() override {
        KvBase::initTypes();
        TSCensus::reset();
    }
    void TearDown() override {
        KvActionQueue::process();
        expectAllDeleted<KvTSObject>();
    }
};

}  // namespace kvtest
