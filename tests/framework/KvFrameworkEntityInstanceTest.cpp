#include <KvActionLock.h>
#include <KvFrameworkEntityInstanceArray1.h>
#include <KvFrameworkEntityInstanceSet.h>
#include <KvMultiFrameworkEntityInstance.h>
#include <KvTSObjectTrackingArray1.h>
#include <KvTSObjectTrackingArray1Handler.h>
#include <KvTestFrameworks.h>

#include <gtest/gtest.h>

using namespace kvtest;

namespace {

using Instance = KvFrameworkEntityInstance;

// root > a, a placed by a translation; paths root/a and a alone.
class InstanceTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        root = new TestFramework("root");
        a = new TestFramework("a", KvXformMatrix::translation(1, 0, 0));
        root->add(a.get());
        viaRoot.set({root.get(), a.get()});
        alone.set({a.get()});
    }
    void TearDown() override {
        viaRoot.clear();
        alone.clear();
        root = a = nullptr;
        FrameworkTest::TearDown();
    }

    KvRefPtr<TestFramework> root, a;
    KvFrameworkPath viaRoot, alone;
};

}  // namespace

TEST_F(InstanceTest, OneInstancePerPathAndEntity) {
    KvRefPtr<FwEntity> e(new FwEntity("e", a.get()));
    Instance* i1 = Instance::get(viaRoot, e.get());
    ASSERT_NE(i1, nullptr);
    EXPECT_EQ(Instance::get(viaRoot, e.get()), i1);
    KvFrameworkPath copy(viaRoot), rebuilt;
    rebuilt.set({root.get(), a.get()});
    EXPECT_EQ(Instance::find(copy, e.get()), i1);
    EXPECT_EQ(Instance::find(rebuilt, e.get()), i1);
    EXPECT_EQ(i1->getXform(), KvXformMatrix::translation(1, 0, 0));
    EXPECT_EQ(i1->getNotch(), e->getNotch());

    Instance* i2 = Instance::get(alone, e.get());
    EXPECT_NE(i2, i1) << "the same entity through another path";
    EXPECT_TRUE(i2->getXform().isIdentity());
    KvFrameworkPath toRoot;
    toRoot.set({root.get()});
    EXPECT_EQ(Instance::get(toRoot, e.get()), nullptr) << "e does not live in root";
    EXPECT_EQ(Instance::get(KvFrameworkPath(), e.get()), nullptr);
    EXPECT_EQ(Instance::getNumInstances(), 2u);

    // An entity with an identifier gives it to its first instance only.
    KvRefPtr<FwEntity> named(new FwEntity("named", a.get()));
    named->uuid = QUuid::createUuid();
    Instance* first = Instance::get(alone, named.get());
    Instance* second = Instance::get(viaRoot, named.get());
    EXPECT_EQ(first->getUuid(), named->uuid);
    EXPECT_NE(second->getUuid(), named->uuid);
    EXPECT_EQ(Instance::map(named->uuid), first);
    EXPECT_EQ(Instance::map(second->getUuid()), second);

    // Entity creation order first, then path order (shorter first).
    {
        KvFrameworkEntityInstanceArray1 ordered = Instance::getOrderedContents(Instance::getAll());
        ASSERT_EQ(ordered.size(), 4u);
        EXPECT_TRUE(ordered[0] == i2 && ordered[1] == i1 && ordered[2] == first && ordered[3] == second);
    }
    EXPECT_EQ(Instance::getNumInstances(), 0u) << "held by nobody but the set, they went with it";
    EXPECT_EQ(Instance::map(named->uuid), nullptr);

    // The active path (here the active framework alone) picks the first one.
    EXPECT_EQ(Instance::getFirstInstance(e.get()), nullptr) << "no active path";
    i1 = Instance::get(viaRoot, e.get());
    TestFramework::setActive(a.get());
    EXPECT_EQ(Instance::getFirstInstance(e.get()), i1);
    i2 = Instance::get(e.get());
    EXPECT_EQ(i2->getPath(), alone);
    EXPECT_EQ(Instance::getFirstInstance(e.get()), i2);
    TestFramework::setActive(nullptr);
    {
        // Dying, not deleted yet: get() must not hand it out again.
        KvActionLock lock;
        i2->destroy();
        EXPECT_EQ(Instance::find(alone, e.get()), nullptr);
        EXPECT_NE(Instance::get(alone, e.get()), i2);
    }
}

TEST_F(InstanceTest, UpdatesAreCheckedOnceAndOutdateTheInstance) {
    KvRefPtr<FwEntity> e(new FwEntity("e", a.get()));
    InstanceKeeper k;
    Instance* i = k.keep(Instance::get(viaRoot, e.get()));
    QUuid id = i->getUuid();

    // However many updates come before the check runs, it runs once.
    {
        KvActionLock lock;
        e->reshape();
        e->reshape();
    }
    EXPECT_EQ(k.take(), (Log{"Update:?"}));
    EXPECT_TRUE(i->isOutdated());
    EXPECT_NE(i->getUuid(), id);
    e->reshape();
    EXPECT_EQ(k.take(), (Log{"Update:?"})) << "outdated already, still told";
    i->clearOutdated();
    EXPECT_EQ(k.take(), (Log{"Update:?"}));
    EXPECT_FALSE(i->isOutdated());
    EXPECT_EQ(i->getNotch(), e->getNotch());
    e->updateObservers();
    EXPECT_TRUE(k.take().empty()) << "nothing it caches changed";

    // A framework that moves changes the transform: outdated.
    a->setXform(KvXformMatrix::translation(2, 0, 0));
    EXPECT_EQ(k.take(), (Log{"Update:?"}));
    EXPECT_TRUE(i->isOutdated());
    i->clearOutdated();
    EXPECT_EQ(i->getXform(), KvXformMatrix::translation(2, 0, 0));
    k.take();

    // Another path's news are not its own; its own chain changing is.
    id = i->getUuid();
    i->pathModified(&alone, KvFrameworkPathMonitor::Modified);
    EXPECT_EQ(i->getUuid(), id);
    root->remove(a.get());
    EXPECT_EQ(i->getPath().getDepth(), 1u);
    EXPECT_EQ(k.take(), (Log{"Update:?"}));
    id = i->getUuid();
    i->pathModified(&i->getPath(), KvFrameworkPathMonitor::Modified);
    EXPECT_NE(i->getUuid(), id) << "a new identity each time";
    EXPECT_TRUE(k.take().empty()) << "outdated already: not told again";
}

namespace {

struct ArrayHandler : KvTSObjectTrackingArray1Handler {
    explicit ArrayHandler(Log* log) : log(log) {}
    void arrayChanged(KvActionObject) override { log->push_back("array changed"); }
    Log* log;
};

struct PathWatch : KvFrameworkPathMonitor {
    explicit PathWatch(Log* log) : log(log) {}
    void pathModified(const KvFrameworkPath* p, Reason r) override {
        log->push_back(std::string(r == Modified ? "path modified: " : "path cosmetic: ") + p->toString('/').str());
    }
    Log* log;
};

}  // namespace

// One entity followed at once by a tracking array, a path and an instance
// through replace, split, join and the purge of its framework and itself.
TEST_F(InstanceTest, ArrayPathAndInstanceFollowOneEntityTogether) {
    Log log;
    KvTSObjectTrackingArray1 array;
    ArrayHandler onArray(&log);
    array.setHandler(&onArray);
    PathWatch onPath(&log);
    viaRoot.addMonitor(&onPath);
    InstanceKeeper k("inst", &log);
    // The keeper also keeps the instances that splits and joins bring along.
    k.onAction = [&k](KvAction* action) {
        if (auto* join = dynamic_cast<KvJoinAction*>(action)) k.keep(Instance::cast(join->getSingle()));
        if (auto* split = dynamic_cast<KvSplitAction*>(action)) {
            auto* parts = KvMultiFrameworkEntityInstance::cast(split->getMulti());
            ASSERT_NE(parts, nullptr);
            ASSERT_EQ(parts->getNumObjects(), 2u);
            for (size_t n = 0; n < 2; ++n) {
                Instance* part = Instance::cast(parts->getObject(n));
                ASSERT_NE(part, nullptr);
                EXPECT_EQ(part->getPath(), parts->getPath());
                EXPECT_TRUE(parts->contains(part));
                k.keep(part);
            }
        }
    };

    auto* e = new FwEntity("e", a.get());
    array.add(e);
    Instance* i = k.keep(Instance::get(viaRoot, e));

    // Replace: the array takes the replacement, the instance follows it.
    auto* e2 = new FwEntity("e2", a.get());
    e->replace(e2, nullptr);
    EXPECT_EQ(log, (Log{"array changed", "inst<-Update:?"}));
    EXPECT_EQ(i->getEntity(), e2);
    EXPECT_EQ(TSCensus::live(), 1) << "e went with its last reference";
    log.clear();

    // Split: the array takes the parts; the instance tells of a split into
    // the parts' instances, then the application drops the split entity.
    auto* p = new FwEntity("p", a.get());
    auto* q = new FwEntity("q", a.get());
    {
        KvRefPtr<Multi> parts(new Multi({p, q}, "pq"));
        e2->replaceSplit(parts.get(), nullptr);
    }
    EXPECT_EQ(log, (Log{"array changed", "inst<-Split:?>?", "inst<-Update:?"}));
    ASSERT_EQ(k.held.size(), 3u);
    EXPECT_EQ(k.held[1]->getEntity(), p);
    EXPECT_EQ(k.held[2]->getEntity(), q);
    log.clear();
    e2->unlink();
    EXPECT_EQ(log, (Log{"inst<-Purge:?"}));
    log.clear();

    // Join: the array takes the joined entity; each part's instance tells of
    // a join into the one instance of the joined entity.
    auto* j = new FwEntity("j", a.get());
    {
        KvRefPtr<Multi> joined(new Multi({p, q}, "pq"));
        joined->replaceJoin(j, nullptr);
    }
    EXPECT_EQ(log, (Log{"array changed", "inst<-Join:?>?", "inst<-Update:?", "inst<-Join:?>?", "inst<-Update:?"}));
    Instance* ij = Instance::find(viaRoot, j);
    ASSERT_NE(ij, nullptr);
    EXPECT_TRUE(ij->isOutdated());
    EXPECT_EQ(k.held.size(), 3u) << "ip, iq and ij";
    log.clear();
    p->unlink();
    q->unlink();
    EXPECT_EQ(log, (Log{"inst<-Purge:?", "inst<-Purge:?"}));
    log.clear();

    // The framework goes: the path is cut before it, and the instance, whose
    // entity no longer lives in its path's tail, checks itself and goes.
    TestFramework* framework = a.get();
    a = nullptr;
    alone.clear();
    framework->destroy();
    EXPECT_EQ(log, (Log{"path modified: root", "path cosmetic: root", "inst<-Purge:?"}));
    EXPECT_TRUE(k.held.empty());
    EXPECT_EQ(Instance::getNumInstances(), 0u);
    EXPECT_EQ(j->getFramework(), nullptr);
    log.clear();

    // The joined entity goes: out of the array.
    j->unlink();
    EXPECT_EQ(log, (Log{"array changed"}));
    EXPECT_TRUE(array.empty());
    EXPECT_EQ(TSCensus::live(), 0);
    viaRoot.removeMonitor(&onPath);
}

TEST_F(InstanceTest, PathsAboveAndValidationKeepOneInstancePerPair) {
    KvRefPtr<FwEntity> e(new FwEntity("e", a.get()));
    InstanceKeeper k;
    Instance* full = k.keep(Instance::get(viaRoot, e.get()));
    Instance* part = k.keep(Instance::get(alone, e.get()));
    EXPECT_TRUE(Instance::validateInstances(nullptr, KvFrameworkEntityInstanceSet()));
    EXPECT_TRUE(k.take().empty());

    // root now sits above a: the instance through a alone gets root in
    // front, and so duplicates the other, which validation resolves.
    Instance::updatePaths(viaRoot);
    EXPECT_EQ(part->getPath(), viaRoot);
    EXPECT_TRUE(part->isOutdated());
    EXPECT_EQ(k.take(), (Log{"Update:?"}));
    EXPECT_TRUE(Instance::validateInstances(nullptr, KvFrameworkEntityInstanceSet{part})) << "kept as it is";
    EXPECT_EQ(k.held.size(), 2u);
    EXPECT_FALSE(Instance::validateInstances(nullptr, KvFrameworkEntityInstanceSet()));
    EXPECT_EQ(k.take(), (Log{"Replace:?>?", "Purge:?"}));
    ASSERT_EQ(k.held.size(), 1u);
    EXPECT_EQ(k.held[0].get(), full);

    // An entity that moved out of its instance's tail, or a path under
    // another root: the instance goes.
    KvRefPtr<TestFramework> other(new TestFramework("other"));
    Instance* elsewhere = k.keep(Instance::get(alone, e.get()));
    EXPECT_FALSE(Instance::validateInstances(root.get(), KvFrameworkEntityInstanceSet()));
    EXPECT_EQ(Instance::find(alone, e.get()), nullptr) << "not under root";
    (void)elsewhere;
    e->setFramework(other.get());
    EXPECT_FALSE(Instance::validateInstances(nullptr, KvFrameworkEntityInstanceSet()));
    EXPECT_EQ(Instance::getNumInstances(), 0u);
    EXPECT_TRUE(Instance::validateInstances(nullptr, KvFrameworkEntityInstanceSet()));
}

TEST_F(InstanceTest, UndoRestoresInstancesAndTheFrameworksTheirPathsRunThrough) {
    enableUndo();
    KvRefPtr<FwEntity> e(new FwEntity("e", a.get()));
    InstanceKeeper k;
    Instance* i = k.keep(Instance::get(viaRoot, e.get()));
    alone.clear();
    KvUndo::mark("made");
    const QUuid id = i->getUuid();

    // A change of the instance (with its entity's) undoes and redoes.
    e->reshape();
    EXPECT_TRUE(i->isOutdated());
    const QUuid outdatedId = i->getUuid();
    KvUndo::mark("reshape");
    k.take();
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_FALSE(i->isOutdated());
    EXPECT_EQ(i->getUuid(), id);
    EXPECT_EQ(Instance::map(id), i);
    EXPECT_EQ(i->getNotch(), e->getNotch());
    EXPECT_EQ(k.take(), (Log{"Update:?"}));
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_TRUE(i->isOutdated());
    EXPECT_EQ(i->getUuid(), outdatedId);
    EXPECT_EQ(Instance::map(id), nullptr);
    i->clearOutdated();
    KvUndo::mark("up to date");

    // The framework the path runs through is deleted: the path is cut.
    TestFramework* framework = a.get();
    a = nullptr;
    viaRoot.clear();
    root->remove(framework);
    EXPECT_EQ(Census<TestFramework>::live(), 1) << "a went";
    EXPECT_EQ(i->getPath().getDepth(), 1u);
    EXPECT_TRUE(i->isOutdated());
    KvUndo::mark("delete a");

    // Undo brings the framework back, and the instance's path through it.
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(Census<TestFramework>::live(), 2);
    ASSERT_EQ(i->getPath().getDepth(), 2u);
    auto* back = dynamic_cast<TestFramework*>(i->getPath().getTail());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->name, "a");
    EXPECT_TRUE(root->containsFramework(back));
    EXPECT_FALSE(i->isOutdated());
    EXPECT_EQ(Instance::find(i->getPath(), e.get()), i);

    // Redo deletes it again: the instance is back on the cut path.
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(Census<TestFramework>::live(), 1);
    EXPECT_EQ(i->getPath().getDepth(), 1u);
    EXPECT_TRUE(i->isOutdated());
}

TEST_F(InstanceTest, AReplacedEntityTakesItsInstanceAlongOrHandsItOver) {
    enableUndo();
    KvRefPtr<FwEntity> e(new FwEntity("e", a.get()));
    InstanceKeeper k;
    Instance* i = k.keep(Instance::get(viaRoot, e.get()));
    KvUndo::mark("made");

    // An unmodified copy: the instance follows without being outdated.
    KvRefPtr<FwEntity> copy(new FwEntity(*e));
    e->replace(copy.get(), nullptr);
    EXPECT_EQ(i->getEntity(), copy.get());
    EXPECT_FALSE(i->isOutdated());
    EXPECT_EQ(k.take(), (Log{"Update:?"}));
    KvUndo::mark("replace by a copy");

    // Undo: the copy, made in that step, is purged while undo restores; the
    // instance outlives it and gets its entity back from its own state.
    copy = nullptr;
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(i->getEntity(), e.get());
    EXPECT_EQ(Instance::find(viaRoot, e.get()), i);
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_NE(i->getEntity(), e.get());
    EXPECT_NE(i->getEntity(), nullptr);
    k.take();

    // A replacement with an instance of its own in the path: this one is
    // handed over to it.
    KvRefPtr<FwEntity> other(new FwEntity("other", a.get()));
    Instance* theirs = k.keep(Instance::get(viaRoot, other.get()));
    i->getEntity()->replace(other.get(), nullptr);
    EXPECT_EQ(k.take(), (Log{"Replace:?>?", "Purge:?"}));
    ASSERT_EQ(k.held.size(), 1u);
    EXPECT_EQ(k.held[0].get(), theirs);
}

TEST_F(InstanceTest, AMultiInstanceFollowsItsMultiObject) {
    KvRefPtr<FwEntity> p(new FwEntity("p", a.get()));
    KvRefPtr<Counted> plain(new Counted("plain"));
    KvRefPtr<Multi> multi(new Multi({p.get(), plain.get()}, "m"));
    KvRefPtr<KvMultiFrameworkEntityInstance> parts(new KvMultiFrameworkEntityInstance(viaRoot, multi.get()));
    Recorder r;
    r.watch(parts.get());

    ASSERT_EQ(parts->getNumObjects(), 2u);
    Instance* ip = Instance::cast(parts->getObject(0));
    ASSERT_NE(ip, nullptr);
    EXPECT_EQ(ip, Instance::find(viaRoot, p.get()));
    EXPECT_EQ(parts->getObject(1), plain.get()) << "no framework entity: itself";
    EXPECT_TRUE(parts->contains(ip) && parts->contains(p.get()));
    EXPECT_FALSE(parts->contains(Instance::get(alone, p.get()))) << "another path";

    multi->updateObservers();
    KvRefPtr<Multi> other(new Multi({p.get()}, "other"));
    multi->replace(other.get(), nullptr);
    EXPECT_EQ(parts->getMulti(), other.get());
    EXPECT_EQ(r.take(), (Log{"Update:?", "Update:?"}));
    KvMultiObject* gone = other.get();
    other = nullptr;  // parts holds it
    gone->destroy();
    EXPECT_EQ(parts->getMulti(), nullptr);
    EXPECT_EQ(parts->getNumObjects(), 0u);
    EXPECT_EQ(r.take(), (Log{"Update:?"}));
    Census<Counted>::reset();
}
