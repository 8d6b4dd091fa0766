#pragma once

// The framework model for tests: frameworks that nest with transforms and
// index names, framework entities that live in them, a holder of instances
// that behaves as an application's list does, and a fixture that checks
// that every framework, entity and instance made in a test is deleted once.

#include <KvActionQueue.h>
#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvFrameworkBase.h>
#include <KvFrameworkBaseState.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityInstance.h>
#include <KvFrameworkEntityInstanceSet.h>
#include <KvTestAttributes.h>
#include <KvTestTSObjects.h>
#include <KvUndo.h>

#include <map>
#include <string>
#include <vector>

namespace kvtest {

class FwEntity;
class TestFrameworkState;

// A framework named `name`, placed in its parent by `xform`. It holds its
// children (and drops one that is purged), indexes the names registered in it
// (a taken name gets "-2", "-3", ...) and knows the entities placed in it.
class TestFramework : public Quiet<KvFrameworkBase>, public Named {
    ATTR_TEST_TYPE(TestFramework, "TestFramework", KvFrameworkBase)
    explicit TestFramework(std::string n, const KvXformMatrix& placed = KvXformMatrix())
        : Named(std::move(n)), xform(placed) {
        Census<TestFramework>::born(this);
    }
    explicit TestFramework(const TestFrameworkState& s);
    ~TestFramework() override;

    using KvFrameworkBase::setActive;

    void add(TestFramework* child) {
        children.emplace_back(child);
        child->addObserver(this);
        updateObservers();
    }
    bool remove(TestFramework* child) {
        auto it = std::find(children.begin(), children.end(), child);
        if (it == children.end()) return false;
        child->removeObserver(this);
        children.erase(it);
        updateObservers();
        return true;
    }
    void setXform(const KvXformMatrix& m) {
        xform = m;
        updateObservers();
    }
    // The children, each held and observed, in place of the present ones.
    void setChildren(const std::vector<TestFramework*>& kids) {
        for (auto& c : children)
            c->removeObserver(this);
        std::vector<KvRefPtr<TestFramework>> old;
        old.swap(children);
        for (TestFramework* c : kids)
            if (c) {
                children.emplace_back(c);
                c->addObserver(this);
            }
    }

    KvXformMatrix getFrameworkXform() const override { return xform; }
    void reservedFrameworkOp1() override {}
    KvString getFrameworkName() const override { return KvString(name); }
    bool containsFramework(KvFrameworkBase* child) const override {
        return std::find(children.begin(), children.end(), child) != children.end();
    }
    void reservedFrameworkOp2() override {}
    KvString registerEntityName(KvNameAttribute* attribute, const KvString& oldName, const KvString& newName) override {
        auto old = names.find(oldName.str());
        if (!oldName.isNull() && old != names.end() && old->second == attribute) names.erase(old);
        std::string given = newName.str();
        for (int n = 2; names.count(given); ++n)
            given = newName.str() + "-" + std::to_string(n);
        names[given] = attribute;
        return KvString(given);
    }
    void restoreEntityName(KvNameAttribute* attribute, const KvString& oldName, const KvString& restoredName) override {
        names.erase(oldName.str());
        names[restoredName.str()] = attribute;
    }
    KvAttributedObject* findEntity(const KvString& name) const override;
    KvString registerLegacyEntityName(KvNameAttribute* attribute, const KvString& name) override {
        return registerEntityName(attribute, KvString(), name);
    }

    void handlePurgeAction(KvPurgeAction* a) override {
        auto it = std::find(children.begin(), children.end(), a->getSource());
        if (it == children.end()) return;
        children.erase(it);
        updateObservers();
    }
    KvUndoState* getState() const override;

    std::vector<KvRefPtr<TestFramework>> children;
    KvXformMatrix xform;
    std::map<std::string, KvNameAttribute*> names;
    std::map<std::string, FwEntity*> entities;  // placed here, by entity name
};

class TestFrameworkState : public KvFrameworkBaseState {
public:
    explicit TestFrameworkState(const TestFramework& f) : KvFrameworkBaseState(f), name(f.name), xform(f.xform) {
        for (const auto& c : f.children)
            children.push_back(c->reference());
    }
    KvUndoObject* recreateObject() const override { return new TestFramework(*this); }
    void restoreObject(KvUndoObject* obj) const override {
        if (auto* f = dynamic_cast<TestFramework*>(obj)) restoreInto(*f);
    }
    bool isSame(const KvUndoState* other) const override {
        auto* o = dynamic_cast<const TestFrameworkState*>(other);
        return o && o->xform == xform && KvUndoReference::equal(o->children, children);
    }
    void restoreInto(TestFramework& f) const {
        f.xform = xform;
        std::vector<TestFramework*> kids;
        for (const KvUndoReference& r : children)
            kids.push_back(dynamic_cast<TestFramework*>(KvUndo::dereference(r)));
        f.setChildren(kids);
    }

    std::string name;
    KvXformMatrix xform;
    kv::vector<KvUndoReference> children;
};

inline TestFramework::TestFramework(const TestFrameworkState& s) : Quiet(s), Named(s.name) {
    Census<TestFramework>::born(this);
    s.restoreInto(*this);
}

inline KvUndoState* TestFramework::getState() const { return new TestFrameworkState(*this); }

class FwEntityState;

// A framework entity named `name` in `framework`, with a notch that
// reshape() renews and, when set, an identifier of its own. Counted in the
// census of time-stamped objects.
class FwEntity : public LogsForeign<KvFrameworkEntity>, public Named {
public:
    // The test's own name, not the name attribute's (name()).
    using Named::name;
    explicit FwEntity(std::string n, TestFramework* in = nullptr) : Named(std::move(n)) {
        TSCensus::born(this);
        setFramework(in);
    }
    // An unmodified copy, in the same framework.
    FwEntity(const FwEntity& o) : LogsForeign(o), Named(o.name + "'") {
        TSCensus::born(this);
        setFramework(o.framework);
    }
    FwEntity(const FwEntity& master, KvCloneMapper& mapper) : LogsForeign(master, mapper), Named(master.name + "'") {
        TSCensus::born(this);
        setFramework(master.framework);
    }
    FwEntity(KvAttributedObjectUndoBridge* bridge, const FwEntityState& s);
    ~FwEntity() override {
        setFramework(nullptr);
        TSCensus::died(this);
    }

    KvTSObject* getClone(KvCloneMapper& mapper) override { return cloneFor(this, mapper); }
    using KvTSObject::postClone;  // for cloneFor
    const KvTSObject* getClone(KvCloneMapper& mapper) const override {
        return const_cast<FwEntity*>(this)->getClone(mapper);
    }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override;

    KvFrameworkBase* getFramework() const override { return framework; }
    bool isFrameworked() const override { return framework != nullptr; }
    void setFramework(KvFrameworkBase* f) override {
        if (framework) framework->entities.erase(name);
        framework = dynamic_cast<TestFramework*>(f);
        if (framework) framework->entities[name] = this;
    }
    KvNotch getNotch() const override { return notch; }
    bool hasUuid(QUuid& u) const override {
        if (uuid.isNull()) return false;
        u = uuid;
        return true;
    }
    // A new shape: a new notch, and the observers hear of it.
    void reshape() {
        notch = KvNotch::make();
        updateObservers();
    }
    using KvFrameworkEntity::sendUpdateOnFileClose;

    TestFramework* framework = nullptr;
    KvNotch notch;
    QUuid uuid;
};

class FwEntityState : public KvTSObjectState {
public:
    explicit FwEntityState(const FwEntity& e) : KvTSObjectState(e), name(e.name), notch(e.notch) {
        if (e.framework) framework = e.framework->reference();
    }
    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override {
        return new FwEntity(bridge, *this);
    }
    void restoreBridgedObject(KvAttributedObject* obj) const override {
        KvTSObjectState::restoreBridgedObject(obj);
        if (auto* e = dynamic_cast<FwEntity*>(obj)) restoreInto(*e);
    }
    void restoreInto(FwEntity& e) const {
        e.notch = notch;
        e.setFramework(KvFrameworkBase::cast(KvUndo::dereference(framework)));
    }

    std::string name;
    KvNotch notch;
    KvUndoReference framework;
};

inline FwEntity::FwEntity(KvAttributedObjectUndoBridge* bridge, const FwEntityState& s)
    : LogsForeign(bridge, s), Named(s.name) {
    TSCensus::born(this);
    s.restoreInto(*this);
}

inline KvUndoState* FwEntity::getUndoState() const { return new FwEntityState(*this); }

inline TestFramework::~TestFramework() {
    for (auto& placed : entities)
        placed.second->framework = nullptr;
    for (auto& c : children)
        c->removeObserver(this);
    Census<TestFramework>::died(this);
}

inline KvAttributedObject* TestFramework::findEntity(const KvString& name) const {
    auto it = entities.find(name.str());
    return it == entities.end() ? nullptr : it->second;
}

// Writes a framework with its name, transform and children; reads it back
// unreferenced, as the store hands out entities.
class TestFrameworkHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        auto* f = dynamic_cast<const TestFramework*>(entity);
        if (!f || !store.openSection(key, shared)) return false;
        kv::vector<const KvGenre*> kids;
        for (const auto& c : f->children)
            kids.push_back(c.get());
        store.writeString("Name", KvString(f->name));
        store.writeXformMatrix("Xform", f->xform);
        store.writeReferenceArray("Children", kids, true);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        KvString name;
        KvXformMatrix xform;
        kv::vector<KvGenre*> kids;
        store.readString("Name", name);
        store.readXformMatrix("Xform", xform);
        store.readReferenceArray("Children", kids);
        auto* f = new TestFramework(name.str(), xform);
        std::vector<TestFramework*> children;
        for (KvGenre* k : kids)
            children.push_back(dynamic_cast<TestFramework*>(k));
        f->setChildren(children);
        entity = f;
        return store.closeSection();
    }
};

// Holds objects as an application's list does: a counted reference to each,
// dropped when the object is purged; writes down every delivery.
template <class T>
class KeeperOf : public Recorder {
public:
    using Recorder::Recorder;
    ~KeeperOf() override { releaseAll(); }
    T* keep(T* o) {
        if (o && std::find(held.begin(), held.end(), o) == held.end()) {
            held.emplace_back(o);
            watch(o);
        }
        return o;
    }
    void drop(KvObservedObject* o) {
        unwatch(o);
        held.erase(std::remove(held.begin(), held.end(), o), held.end());
    }
    void releaseAll() {
        for (KvObservedObject* o : std::vector<KvObservedObject*>(watched))
            unwatch(o);
        held.clear();
    }
    void handlePurgeAction(KvPurgeAction* a) override {
        Recorder::handlePurgeAction(a);
        drop(a->getSource());
    }

    std::vector<KvRefPtr<T>> held;
};

// A keeper of instances that moves to the replacement of one replaced.
class InstanceKeeper : public KeeperOf<KvFrameworkEntityInstance> {
public:
    using KeeperOf::KeeperOf;
    void handleReplaceAction(KvReplaceAction* a) override {
        Recorder::handleReplaceAction(a);
        drop(a->getSource());
        keep(KvFrameworkEntityInstance::cast(a->getReplacement()));
    }
};

// Every framework, entity and instance made in a test is deleted in it, once.
// A test that turns undo on has what the history alone kept alive (objects
// rebuilt by undo, held by nobody) destroyed at the end.
class FrameworkTest : public TSTest {
protected:
    void SetUp() override {
        TSTest::SetUp();
        KvBase::init();
        Census<TestFramework>::reset();
        static const bool registered = [] {
            KvDataStore::addEntityType(TestFramework::getClassTypeId(), new TestFrameworkHandler);
            return true;
        }();
        (void)registered;
    }
    void TearDown() override {
        KvActionQueue::process();
        if (KvUndo::getMaxSteps() > 0) {
            KvUndo::setMaxSteps(0);
            destroyAll<KvTSObject>();
            destroyAll<TestFramework>();
        }
        // get() hands instances out unreferenced: those nobody held go with
        // the set.
        KvFrameworkEntityInstance::getAll();
        KvActionQueue::process();
        TSTest::TearDown();
        EXPECT_EQ(KvFrameworkEntityInstance::getNumInstances(), 0u);
        expectAllDeleted<TestFramework>();
    }

    void enableUndo() { KvUndo::setMaxSteps(100); }
};

}  // namespace kvtest
