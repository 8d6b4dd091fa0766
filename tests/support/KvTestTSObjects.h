#pragma once

// Time-stamped objects for tests: a clonable entity with one value, a
// multi-object over any reference objects, and an observer that writes what
// it hears as "Kind:source>replacement" lines.

#include <KvAttributeItem.h>
#include <KvAttributedObjectUndoBridge.h>
#include <KvCloneMapper.h>
#include <KvJoinAction.h>
#include <KvMultiObject.h>
#include <KvMultiObjectState.h>
#include <KvObserverIterator.h>
#include <KvPurgeAction.h>
#include <KvRefObjectArray1.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvTSObject.h>
#include <KvTSObjectState.h>
#include <KvUpdateAction.h>

#include <string>
#include <utility>
#include <vector>

namespace kvtest {

using Log = std::vector<std::string>;

// Instances of the classes below, made and deleted, across all of them.
struct TSCount {
    inline static int made = 0;
    inline static int deleted = 0;
    static int live() { return made - deleted; }
    static void reset() { made = deleted = 0; }
};

inline std::string nameOf(const KvGenre* o);

inline std::string describe(const char* kind, KvAction* a, const KvObservedObject* other = nullptr) {
    std::string s = std::string(kind) + ":" + nameOf(a->getSource());
    if (other) s += ">" + nameOf(other);
    return s;
}

// What objects of the model do with an action that is not about one of their
// own items: write it down. Shared by the entity and the multi-object.
inline bool logForeign(Log& log, KvAttributedObject* self, const char* kind, KvAction* a,
                       const KvObservedObject* other = nullptr) {
    KvObservedObject* src = a->getSource();
    if (KvAttributeItem::cast(src) || src == self->getUndoBridge()) return false;
    log.push_back(describe(kind, a, other));
    return true;
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
class Entity : public KvTSObject {
public:
    explicit Entity(std::string n = "e", int v = 0) : name(std::move(n)), value(v) { ++TSCount::made; }
    Entity(const Entity& o) : KvTSObject(o), name(o.name), value(o.value) { ++TSCount::made; }
    Entity(const Entity& master, KvCloneMapper& mapper)
        : KvTSObject(master, mapper), name(master.name + "'"), value(master.value) {
        ++TSCount::made;
    }
    Entity(KvAttributedObjectUndoBridge* bridge, const EntityState& s)
        : KvTSObject(bridge, s), name(s.name), value(s.value) {
        ++TSCount::made;
    }
    ~Entity() override { ++TSCount::deleted; }
    // Takes the value and the attributes; name and stamp stay.
    Entity& operator=(const Entity& o) {
        KvTSObject::operator=(o);
        value = o.value;
        return *this;
    }

    KvTSObject* getClone(KvCloneMapper& mapper) override {
        KvTSObject* clone = nullptr;
        if (mapper.getClone(this, clone)) return clone;
        Entity* made = new Entity(*this, mapper);
        mapper.addPair(this, made);
        made->postClone(this, mapper);
        return made;
    }
    const KvTSObject* getClone(KvCloneMapper& mapper) const override {
        return const_cast<Entity*>(this)->getClone(mapper);
    }
    uint64_t getClonePriority() const override { return priority; }
    KvUndoState* getUndoState() const override { return new EntityState(*this); }

    void setValue(int v) {
        value = v;
        updateObservers();
    }

    void handleReplaceAction(KvReplaceAction* a) override { logForeign(log, this, "Replace", a, a->getReplacement()); }
    void handleSplitAction(KvSplitAction* a) override { logForeign(log, this, "Split", a); }
    void handleJoinAction(KvJoinAction* a) override { logForeign(log, this, "Join", a, a->getSingle()); }
    void handleUpdateAction(KvUpdateAction* a) override {
        if (!logForeign(log, this, "Update", a)) KvTSObject::handleUpdateAction(a);
    }
    void handlePurgeAction(KvPurgeAction* a) override {
        if (!logForeign(log, this, "Purge", a)) KvTSObject::handlePurgeAction(a);
    }

    std::string name;
    int value;
    uint64_t priority = 1;
    Log log;  // actions about other objects that reached this one
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
// temporary copy.
class Multi : public KvMultiObject {
public:
    explicit Multi(std::vector<KvRefObject*> objects = {}, std::string n = "multi") : name(std::move(n)) {
        ++TSCount::made;
        for (KvRefObject* o : objects)
            add(o);
    }
    Multi(const Multi& o) : KvMultiObject(o), members(o.members), name(o.name + "~") { ++TSCount::made; }
    ~Multi() override {
        for (const KvRefPtr<KvRefObject>& m : members)
            if (m) m->removeObserver(this);
        ++TSCount::deleted;
    }

    void add(KvRefObject* o) {
        members.push_back(o);
        o->addObserver(this);
    }

    size_t getNumObjects() const override { return members.size(); }
    KvObservedObject* getObject(size_t i) const override { return members[i]; }
    bool contains(const KvObservedObject* o) const override {
        for (const KvRefPtr<KvRefObject>& m : members)
            if (m.get() == o) return true;
        return false;
    }
    KvUndoState* getUndoState() const override { return nullptr; }

    void handleReplaceAction(KvReplaceAction* a) override { logForeign(log, this, "Replace", a, a->getReplacement()); }
    void handleSplitAction(KvSplitAction* a) override { logForeign(log, this, "Split", a); }
    void handleJoinAction(KvJoinAction* a) override { logForeign(log, this, "Join", a, a->getSingle()); }
    void handleUpdateAction(KvUpdateAction* a) override {
        if (!logForeign(log, this, "Update", a)) KvMultiObject::handleUpdateAction(a);
    }
    void handlePurgeAction(KvPurgeAction* a) override {
        if (!logForeign(log, this, "Purge", a)) KvMultiObject::handlePurgeAction(a);
    }

    KvRefObjectArray1 members;
    std::string name;
    Log log;

protected:
    // The copy does not observe the constituents.
    KvMultiObject* createTemporaryCopy() const override { return new Multi(*this); }
};

inline std::string nameOf(const KvGenre* o) {
    if (!o) return "null";
    if (auto* e = dynamic_cast<const Entity*>(o)) return e->name;
    if (auto* m = dynamic_cast<const Multi*>(o)) return m->name;
    return "?";
}

// Writes down every action it receives, in one log that several recorders
// may share to show the order across observers.
class Listener : public KvObject {
public:
    explicit Listener(Log* shared = nullptr) : sharedLog(shared) {}
    ~Listener() override {
        for (KvObservedObject* o : watched)
            o->removeObserver(this);
    }
    // Observes `obj` until the listener goes.
    void watch(KvObservedObject* obj) {
        if (obj->addObserver(this)) watched.push_back(obj);
    }

    void handleReplaceAction(KvReplaceAction* a) override { put(describe("Replace", a, a->getReplacement())); }
    void handleSplitAction(KvSplitAction* a) override { put(describe("Split", a, a->getMulti())); }
    void handleJoinAction(KvJoinAction* a) override { put(describe("Join", a, a->getSingle())); }
    void handleUpdateAction(KvUpdateAction* a) override { put(describe("Update", a)); }
    void handlePurgeAction(KvPurgeAction* a) override {
        put(describe("Purge", a));
        // A purged object is deleted soon: forget it.
        KvObservedObject* src = a->getSource();
        src->removeObserver(this);
        for (auto it = watched.begin(); it != watched.end(); ++it)
            if (*it == src) {
                watched.erase(it);
                break;
            }
    }

    Log log;
    Log* sharedLog;
    std::vector<KvObservedObject*> watched;

private:
    void put(std::string s) {
        if (sharedLog) sharedLog->push_back(s);
        log.push_back(std::move(s));
    }
};

}  // namespace kvtest
