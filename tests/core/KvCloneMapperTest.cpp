#include <KvActionLock.h>
#include <KvActionQueue.h>
#include <KvBase.h>
#include <KvCloneMapper.h>
#include <KvConstTSObjectArray1.h>
#include <KvExcept.h>
#include <KvProgress.h>
#include <KvTSObjectArray1.h>
#include <KvTSObjectSet.h>
#include <KvTestTSObjects.h>
#include <KvTrackingPtr.h>

#include <gtest/gtest.h>

#include <string>

using namespace kvtest;

namespace {

std::string addPairError(KvCloneMapper& mapper, KvTSObject* master, KvTSObject* clone) {
    try {
        mapper.addPair(master, clone);
    } catch (const KvExcept& e) {
        return e.what();
    }
    return "";
}

// Marks `obj` and builds its clone.
Entity* cloneOf(KvCloneMapper& mapper, Entity* obj) {
    mapper.addMustClone(obj);
    return static_cast<Entity*>(obj->getClone(mapper));
}

Entity* entity(const KvTrackingPtr& p) { return static_cast<Entity*>(const_cast<KvRefObject*>(p.getObject())); }

}  // namespace

using CloneMapperTest = TSTest;

TEST_F(CloneMapperTest, AddPairRejectsBadPairsInOrderAndChangesNothing) {
    KvRefPtr<Entity> a(new Entity("a")), b(new Entity("b")), c(new Entity("c"));
    KvRefPtr<Multi> multi(new Multi);
    KvCloneMapper mapper;
    const std::string at = "KvCloneMapper::addPair: ";

    EXPECT_EQ(addPairError(mapper, nullptr, nullptr), at + "null clone");
    EXPECT_EQ(addPairError(mapper, nullptr, b.get()), at + "null master");
    mapper.addPair(a.get(), b.get());
    EXPECT_EQ(addPairError(mapper, a.get(), b.get()), "") << "a known pair is accepted";
    EXPECT_EQ(addPairError(mapper, b.get(), a.get()), at + "master is already a clone");
    EXPECT_EQ(addPairError(mapper, c.get(), a.get()), at + "clone is already a master");
    EXPECT_EQ(addPairError(mapper, a.get(), c.get()), at + "master already mapped to a different clone");
    EXPECT_EQ(addPairError(mapper, c.get(), b.get()), at + "clone already mapped to a different master");
    EXPECT_EQ(addPairError(mapper, c.get(), multi.get()), at + "master and clone are different types");

    EXPECT_EQ(mapper.getNumMasters(), 1u);
    EXPECT_EQ(mapper.getNumCloneEntries(), 1u);
    EXPECT_EQ(b->getRefCount(), 2) << "one reference per clone entry";
    EXPECT_TRUE(a->isObserver(&mapper));
    EXPECT_FALSE(c->isObserver(&mapper));
}

TEST_F(CloneMapperTest, GetCloneAndGetMasterAnswerForEveryKindOfObject) {
    KvRefPtr<Entity> old(new Entity("old")), marked(new Entity("marked"));
    KvCloneMapper mapper;
    KvRefPtr<Entity> newer(new Entity("newer"));
    mapper.addMustClone(KvConstTSObjectArray1{marked.get(), newer.get()});
    EXPECT_TRUE(mapper.mustBeCloned(marked.get()));
    EXPECT_FALSE(mapper.mustBeCloned(old.get()));

    KvTSObject* clone = old.get();
    EXPECT_TRUE(mapper.getClone(static_cast<KvTSObject*>(nullptr), clone));
    EXPECT_EQ(clone, nullptr);
    EXPECT_FALSE(mapper.getClone(marked.get(), clone)) << "marked, clone not built yet";
    EXPECT_EQ(clone, nullptr);
    EXPECT_TRUE(mapper.getClone(old.get(), clone)) << "unmarked objects are shared";
    EXPECT_EQ(clone, old.get());
    EXPECT_TRUE(mapper.getClone(newer.get(), clone)) << "made during the operation";
    EXPECT_EQ(clone, newer.get());

    KvTSObject* made = marked->getClone(mapper);
    ASSERT_NE(made, marked.get());
    EXPECT_EQ(marked->getClone(mapper), made) << "built once";
    EXPECT_TRUE(mapper.getClone(marked.get(), clone));
    EXPECT_EQ(clone, made);
    EXPECT_TRUE(mapper.getClone(made, clone));
    EXPECT_EQ(clone, made) << "a clone is its own clone";

    EXPECT_EQ(mapper.getMaster(static_cast<KvTSObject*>(nullptr)), nullptr);
    EXPECT_EQ(mapper.getMaster(made), marked.get());
    EXPECT_EQ(mapper.getMaster(marked.get()), marked.get());
    EXPECT_EQ(mapper.getMaster(old.get()), old.get());
    EXPECT_EQ(mapper.getMaster(newer.get()), nullptr);

    KvTSObject* other = nullptr;
    EXPECT_TRUE(mapper.isMaster(marked.get(), other));
    EXPECT_EQ(other, made);
    EXPECT_TRUE(mapper.isClone(made, other));
    EXPECT_EQ(other, marked.get());
    EXPECT_FALSE(mapper.isClone(old.get(), other));

    KvTSObjectArray1 masters;
    mapper.getMasters(made, masters);
    mapper.getMasters(old.get(), masters);
    mapper.getMasters(newer.get(), masters);
    ASSERT_EQ(masters.size(), 2u);
    EXPECT_EQ(masters[0], marked.get());
    EXPECT_EQ(masters[1], old.get());
    KvTSObjectSet clones = mapper.getClones();
    ASSERT_EQ(clones.size(), 1u);
    EXPECT_EQ(clones.first(), made);
    EXPECT_EQ(static_cast<Entity*>(made)->getTimeStamp(), marked->getTimeStamp());
}

TEST_F(CloneMapperTest, CommitPutsChangedClonesInPlaceAndUnchangedOnesBack) {
    // Trackers stand for the model's containers: they follow what they hold.
    // The masters are kept by the test as well, as by an undo history.
    KvRefPtr<Entity> a(new Entity("a")), b(new Entity("b")), g(new Entity("g"));
    KvTrackingPtr ta(a.get()), tb(b.get()), tg(g.get());
    b->addObserver(g.get());  // g depends on b, as a group on its members
    Recorder onA, onB;
    onA.watch(a.get());
    onB.watch(b.get());
    Recorder onAc, onBc;
    {
        KvCloneMapper mapper;
        Entity* ac = cloneOf(mapper, a.get());
        Entity* bc = cloneOf(mapper, b.get());
        Entity* gc = cloneOf(mapper, g.get());
        bc->addObserver(gc);
        KvTrackingPtr tac(ac);
        onAc.watch(ac);
        onBc.watch(bc);
        bc->setValue(5);
        gc->setValue(1);
        gc->log.clear();
        onBc.log.clear();

        mapper.makeReplacements();
        EXPECT_EQ(mapper.getNumMasters(), 0u);
        EXPECT_EQ(mapper.getNumCloneEntries(), 0u);
        EXPECT_FALSE(a->isObserver(&mapper));
        EXPECT_EQ(tac.getObject(), a.get()) << "the unchanged clone gave way to its master";
        EXPECT_EQ(entity(tb), bc);
        EXPECT_EQ(entity(tg), gc);
        EXPECT_EQ(entity(tb)->value, 5);
    }
    EXPECT_EQ(onA.log, Log{});
    EXPECT_EQ(onAc.log, (Log{"Replace:a'>a", "Purge:a'"}));
    EXPECT_EQ(onB.log, Log{"Replace:b>b'"});
    EXPECT_EQ(onBc.log, Log{});
    EXPECT_EQ(g->log, Log{}) << "a master whose clone changed is not told";
    EXPECT_EQ(entity(tg)->log, Log{});
    KvActionQueue::process();
    EXPECT_EQ(TSCensus::live(), 5) << "a' is gone";
    b->removeObserver(g.get());
    entity(tb)->removeObserver(entity(tg));
}

TEST_F(CloneMapperTest, AFirstPassHandlerSeesTheSecondPassAfterWhatItQueued) {
    // An unchanged clone goes back in the first pass; a changed one replaces
    // its master in the second, which is queued behind the first pass's
    // deliveries: a handler of those still sees the masters in place, and
    // what it queues (and the purge of the clone given back) is delivered
    // before the second pass's replacements.
    KvRefPtr<Entity> a(new Entity("a")), b(new Entity("b")), x(new Entity("x"));
    KvTrackingPtr tb(b.get());
    Log order;
    Recorder onAc("onAc", &order), onB("onB", &order), onX("onX", &order);
    onB.watch(b.get());
    onX.watch(x.get());
    KvTSObject* bDuringFirstPass = nullptr;
    onAc.onAction = [&](KvAction* action) {
        if (!dynamic_cast<KvReplaceAction*>(action)) return;
        bDuringFirstPass = static_cast<KvTSObject*>(const_cast<KvRefObject*>(tb.getObject()));
        x->updateObservers();
    };
    {
        KvCloneMapper mapper;
        Entity* ac = cloneOf(mapper, a.get());
        Entity* bc = cloneOf(mapper, b.get());
        onAc.watch(ac);
        bc->setValue(5);
        mapper.makeReplacements();
        EXPECT_EQ(bDuringFirstPass, b.get()) << "the second pass had not run";
        EXPECT_EQ(entity(tb), bc);
    }
    KvActionQueue::process();
    EXPECT_EQ(order, (Log{"onAc<-Replace:a'>a", "onX<-Update:x", "onAc<-Purge:a'", "onB<-Replace:b>b'"}));
}

TEST_F(CloneMapperTest, PurgedCloneTakesItsMasterAlongAndALockedCommitIsToldAtTheRelease) {
    KvTrackingPtr ta(new Entity("a")), tb(new Entity("b"));
    Entity* a = entity(ta);
    Recorder onA, onB;
    onA.watch(a);
    onB.watch(entity(tb));
    KvCloneMapper mapper;
    Entity* ac = cloneOf(mapper, a);
    Entity* bc = cloneOf(mapper, entity(tb));
    bc->setValue(1);
    ac->unlink();
    KvTSObject* clone = ac;
    EXPECT_TRUE(mapper.isMaster(a, clone));
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(TSCensus::live(), 3);

    {
        KvActionLock lock;
        mapper.makeReplacements();
        EXPECT_TRUE(onA.log.empty() && onB.log.empty());
    }
    EXPECT_EQ(onA.log, Log{"Purge:a"});
    EXPECT_EQ(onB.log, (Log{"Replace:b>b'", "Purge:b"})) << "its last holder moved on";
    EXPECT_EQ(ta.getObject(), nullptr);
    EXPECT_EQ(tb.getObject(), bc);
}

TEST_F(CloneMapperTest, DiscardPurgesTheClonesAndLeavesTheMasters) {
    KvTrackingPtr ta(new Entity("a")), tb(new Entity("b"));
    Recorder onA;
    onA.watch(entity(ta));
    Recorder onAc, onBc;
    KvCloneMapper mapper;
    Entity* ac = cloneOf(mapper, entity(ta));
    Entity* bc = cloneOf(mapper, entity(tb));
    KvTrackingPtr tbc(bc);  // held elsewhere as well
    onAc.watch(ac);
    onBc.watch(bc);
    bc->setValue(3);

    mapper.discardReplacements();
    EXPECT_EQ(onAc.log, Log{"Purge:a'"});
    EXPECT_EQ(onBc.log, (Log{"Update:b'", "Purge:b'"}));
    EXPECT_EQ(tbc.getObject(), nullptr);
    EXPECT_EQ(onA.log, Log{});
    EXPECT_EQ(mapper.getNumMasters(), 0u);
    KvActionQueue::process();
    EXPECT_EQ(TSCensus::live(), 2);
}

TEST_F(CloneMapperTest, SplitJoinAndReplaceOfClonesAreFollowedToTheCommit) {
    KvTrackingPtr ta(new Entity("a")), tb(new Entity("b")), tc(new Entity("c")), td(new Entity("d"));
    Log told;
    Recorder onA("", &told), onB("", &told), onC("", &told), onD("", &told);
    onA.watch(entity(ta));
    onB.watch(entity(tb));
    onC.watch(entity(tc));
    onD.watch(entity(td));
    KvRefPtr<Multi> parts, pair;
    {
        KvCloneMapper mapper;
        // a' is split into p and q.
        Entity* ac = cloneOf(mapper, entity(ta));
        KvRefPtr<Entity> p(new Entity("p")), q(new Entity("q"));
        parts = new Multi({p.get(), q.get()}, "parts");
        ac->replaceSplit(parts.get(), nullptr);
        KvTSObject* found = nullptr;
        EXPECT_TRUE(mapper.getClone(entity(ta), found));
        EXPECT_EQ(found, p.get()) << "the first part stands for a";
        EXPECT_TRUE(mapper.isClone(q.get(), found));
        EXPECT_EQ(found, nullptr) << "parts are clones without master";
        EXPECT_EQ(mapper.getMaster(parts.get()), entity(ta));

        // b' and c' are joined into one.
        Entity* bc = cloneOf(mapper, entity(tb));
        Entity* cc = cloneOf(mapper, entity(tc));
        KvRefPtr<Entity> joined(new Entity("bc"));
        pair = new Multi({bc, cc}, "pair");
        pair->replaceJoin(joined.get(), nullptr);
        KvTSObjectArray1 masters;
        mapper.getMasters(joined.get(), masters);
        ASSERT_EQ(masters.size(), 2u);
        EXPECT_EQ(masters[0], entity(tb));
        EXPECT_EQ(masters[1], entity(tc));
        masters.clear();

        // d' is replaced by another object.
        Entity* dc = cloneOf(mapper, entity(td));
        KvRefPtr<Entity> other(new Entity("d2"));
        dc->replace(other.get(), nullptr);
        EXPECT_TRUE(mapper.getClone(entity(td), found));
        EXPECT_EQ(found, other.get());

        told.clear();
        mapper.makeReplacements();
    }
    // Trackers drop split objects and follow the others; either way the
    // masters lose their last holder.
    EXPECT_EQ(told, (Log{"Split:a>parts", "Replace:b>bc", "Replace:c>bc", "Replace:d>d2", "Purge:a", "Purge:b",
                         "Purge:c", "Purge:d"}));
    EXPECT_EQ(ta.getObject(), nullptr);
    EXPECT_EQ(entity(tb)->name, "bc");
    EXPECT_EQ(entity(tc), entity(tb));
    EXPECT_EQ(entity(td)->name, "d2");
}

TEST_F(CloneMapperTest, RePairAndBreakingOrDroppingTheMapperLetGo) {
    KvRefPtr<Entity> a(new Entity("a")), b(new Entity("b")), x(new Entity("x"));
    {
        KvCloneMapper mapper;
        Entity* ac = cloneOf(mapper, a.get());
        Entity* bc = cloneOf(mapper, b.get());
        KvRefPtr<Entity> keep(ac);
        mapper.rePair(a.get(), bc);
        KvTSObject* found = nullptr;
        EXPECT_TRUE(mapper.isMaster(a.get(), found));
        EXPECT_EQ(found, bc);
        EXPECT_FALSE(mapper.isMaster(b.get(), found));
        EXPECT_FALSE(mapper.isClone(ac, found));
        EXPECT_EQ(ac->getRefCount(), 1) << "the old clone is let go";
        EXPECT_FALSE(b->isObserver(&mapper));

        mapper.stopRePair(a.get());
        mapper.rePair(a.get(), x.get());
        EXPECT_TRUE(mapper.isMaster(a.get(), found));
        EXPECT_EQ(found, bc);
    }
    EXPECT_EQ(a->getNumObservers(), 0u) << "a mapper that goes early lets go of everything";
    KvActionQueue::process();
    EXPECT_EQ(TSCensus::live(), 3);

    // Breaking hands over the clones walked before a cancel.
    struct CancelAt : KvProgress::Handler {
        int calls = 0;
        bool progress(double) override { return ++calls == 1; }
    } cancel;
    KvProgress::setActive(&cancel);
    KvTSObjectSet kept;
    {
        KvCloneMapper mapper;
        Entity* ac = cloneOf(mapper, a.get());
        cloneOf(mapper, b.get());
        mapper.breakReplacements(kept);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept.first(), ac);
        EXPECT_EQ(mapper.getNumCloneEntries(), 0u);
        EXPECT_EQ(KvProgress::getDepth(), 0);
    }
    KvProgress::setActive(nullptr);
    KvActionQueue::process();
    EXPECT_EQ(TSCensus::live(), 4) << "the clone not handed over is gone";
    kept.clear();
}
