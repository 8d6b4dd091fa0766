#include <KvTestFrameworks.h>

#include <KvConstAttributedObjectArray1.h>
#include <KvGroupAlert.h>
#include <KvGroupMembershipMonitor.h>
#include <KvRefObjectIOHandler.h>
#include <KvTSObjectGroup.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace kvtest;

namespace {

// A framework entity of a type of its own that a store can hold.
class Part : public LogsForeign<KvFrameworkEntity>, public Named {
    ATTR_TEST_TYPE(Part, "TestPart", KvFrameworkEntity)
    using Named::name;
    explicit Part(std::string n) : Named(std::move(n)) { TSCensus::born(this); }
    explicit Part(const KvDataStore& store) : LogsForeign(store), Named("") {
        KvString n;
        store.readString("PartName", n);
        name = n.str();
        TSCensus::born(this);
    }
    ~Part() override { TSCensus::died(this); }
    void save(KvDataStore& store) const override {
        KvFrameworkEntity::save(store);
        store.writeString("PartName", KvString(name));
    }
    KvTSObject* getClone(KvCloneMapper&) override { return nullptr; }
    const KvTSObject* getClone(KvCloneMapper&) const override { return nullptr; }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override { return nullptr; }
};

// A group that also writes its members the way files before version 71 did.
class OldGroup : public KvTSObjectGroup {
public:
    using KvTSObjectGroup::KvTSObjectGroup;
    void save(KvDataStore& store) const override {
        KvTSObjectGroup::save(store);
        kv::vector<const KvGenre*> members;
        for (size_t i = 0; i < getObjectCount(); ++i)
            members.push_back(getObject(i));
        store.writeReferenceArray("Objects", members);
    }
};

std::string members(const KvTSObjectGroup* g) {
    std::string out;
    for (size_t i = 0; i < g->getObjectCount(); ++i)
        out += (i ? " " : "") + nameOf(g->getObject(i));
    return out;
}

using Keeper = KeeperOf<KvTSObjectGroup>;

// Writes down, into a shared log, each group made and destroyed; groups that
// undo and redo rebuild go to the keeper.
struct Alert : KvGroupAlert {
    Alert(Log& l, Keeper& k) : log(l), keeper(k) { KvTSObjectGroup::addAlert(this); }
    void groupAlert(bool destroyed, KvTSObjectGroup* g) override {
        log.push_back(std::string(destroyed ? "destroyed:" : "created:") + std::to_string(g->getObjectCount()));
        last = destroyed ? nullptr : g;
        destroyed ? ++destroyedCount : ++createdCount;
        if (!destroyed && KvUndo::isRestoring()) keeper.keep(g);
    }
    Log& log;
    Keeper& keeper;
    KvTSObjectGroup* last = nullptr;
    int createdCount = 0, destroyedCount = 0;
};

struct Monitor : KvGroupMembershipMonitor {
    Monitor(Log& l, std::string n) : log(l), name(std::move(n)) { ++alive; }
    ~Monitor() override { --alive; }
    void membershipChanged() override {
        log.push_back(name + ":" + (getGroup() ? members(getGroup()) : "-"));
        if (onChange) onChange();
    }
    Log& log;
    std::string name;
    std::function<void()> onChange;
    inline static int alive = 0;
};

class GroupTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        static bool registered = [] {
            KvDataStore::addEntityType(Part::getClassTypeId(), new KvRefObjectIOHandler<Part>);
            return true;
        }();
        (void)registered;
    }
    void TearDown() override {
        keeper.releaseAll();
        FrameworkTest::TearDown();
        EXPECT_EQ(alert.createdCount, alert.destroyedCount) << "every group made was destroyed";
        EXPECT_EQ(Monitor::alive, 0);
    }
    Log log;
    Keeper keeper;
    Alert alert{log, keeper};
};

}  // namespace

TEST_F(GroupTest, FollowsItsMembersThroughSplitReplaceJoinAndDeletion) {
    FwEntity *a = new FwEntity("a"), *b = new FwEntity("b"), *c = new FwEntity("c");
    KvFrameworkEntityArray1 held{a, b, c};
    KvTSObjectGroup* g = new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId());
    keeper.keep(g);
    Recorder rec("rec", &log);
    rec.watch(g);
    auto* mon = new Monitor(log, "mon");
    g->addMembershipMonitor(mon);
    EXPECT_EQ(mon->getGroup(), g);

    EXPECT_TRUE(g->addObjectList(held));
    EXPECT_FALSE(g->addObject(a));
    EXPECT_EQ(log, (Log{"created:0", "rec<-Cosmetic:?", "rec<-Update:?", "mon:a b c"}));
    log.clear();

    // A split appends the parts not yet present, in order.
    KvRefPtr<FwEntity> p = new FwEntity("p"), q = new FwEntity("q");
    KvRefPtr<Multi> pq = new Multi({p.get(), q.get()});
    b->replaceSplit(pq.get(), nullptr);
    EXPECT_EQ(members(g), "a c p q");
    // Replaced by a member already present: one entry left; by a newcomer:
    // it takes the place.
    a->replace(q.get(), nullptr);
    EXPECT_EQ(members(g), "c p q");
    KvRefPtr<FwEntity> r = new FwEntity("r");
    c->replace(r.get(), nullptr);
    EXPECT_EQ(members(g), "r p q");
    EXPECT_EQ(log, (Log{"rec<-Update:?", "mon:a c p q", "rec<-Update:?", "mon:c p q", "rec<-Update:?", "mon:r p q"}));
    log.clear();

    // Joined members become the joined entity, told once.
    KvRefPtr<FwEntity> s = new FwEntity("s");
    pq->replaceJoin(s.get(), nullptr);
    EXPECT_EQ(members(g), "r s");
    EXPECT_EQ(log, (Log{"rec<-Update:?", "mon:r s"}));
    log.clear();
    pq = nullptr;

    // Deleting a member that is not the last tells twice; deleting the last
    // destroys the group.
    // Only the group holds them now.
    FwEntity *rr = r.get(), *ss = s.get();
    r = s = nullptr;
    rr->destroy();
    EXPECT_EQ(members(g), "s");
    EXPECT_EQ(log, (Log{"rec<-Update:?", "mon:s", "rec<-Update:?", "mon:s"}));
    log.clear();
    ss->destroy();
    EXPECT_EQ(log, (Log{"rec<-Update:?", "mon:", "rec<-Purge:?", "destroyed:0"}));
    EXPECT_EQ(Monitor::alive, 0) << "the group held the last count of its monitor";
    held.clear();
}

TEST_F(GroupTest, OwnEditsCheckTypesAndIndexesAndNeverDestroyTheGroup) {
    KvRefPtr<Part> a = new Part("a"), b = new Part("b");
    KvRefPtr<FwEntity> x = new FwEntity("x");
    KvRefPtr<KvTSObjectGroup> g = new KvTSObjectGroup;
    expectThrows("Group type not set", [&] { g->addObject(a.get()); });
    expectThrows("Group type not set", [&] { g->addObjectList(KvFrameworkEntityArray1{a.get()}); });
    g->setAllowedType(Part::getClassTypeId());
    expectThrows("Invalid entity type for group", [&] { g->addObject(x.get()); });
    // The whole list is checked before anything goes in.
    expectThrows("Invalid entity type for group", [&] { g->addObjectList(KvFrameworkEntityArray1{a.get(), x.get()}); });
    EXPECT_EQ(g->getObjectCount(), 0u);
    EXPECT_TRUE(g->addObjectList(KvFrameworkEntityArray1{a.get(), b.get(), a.get()}));
    EXPECT_EQ(members(g.get()), "a b");
    EXPECT_EQ(g->find(b.get()), 1);
    EXPECT_EQ(g->find(x.get()), -1);
    expectThrows("Invalid index for group", [&] { g->getObject(2); });
    EXPECT_THROW(g->removeObject(size_t(2)), KvExcept);

    // Assignment stops at the first stranger, keeping (and following) what
    // came before it.
    expectThrows("Invalid entity type for group", [&] { *g = KvFrameworkEntityArray1{b.get(), x.get(), a.get()}; });
    EXPECT_EQ(members(g.get()), "b");
    EXPECT_TRUE(b->isObserver(g.get()));
    EXPECT_FALSE(a->isObserver(g.get()));

    // A wider type keeps the members; the same one changes nothing; an
    // invalid one empties the group, which stays.
    g->addObject(a.get());
    Recorder rec;
    rec.watch(g.get());
    g->setAllowedType(KvFrameworkEntity::getClassTypeId());
    EXPECT_TRUE(g->addObject(x.get()));
    rec.take();
    g->setAllowedType(KvFrameworkEntity::getClassTypeId());
    EXPECT_TRUE(rec.take().empty());
    g->setAllowedType(Part::getClassTypeId());
    EXPECT_EQ(members(g.get()), "b a");
    g->removeObject(size_t(0));
    g->removeAll();
    EXPECT_EQ(g->getObjectCount(), 0u);
    EXPECT_FALSE(g->isDying());
    EXPECT_FALSE(g->removeObject(a.get()));
    EXPECT_FALSE(a->isObserver(g.get()));

    // A copy has the type and the members, and is a new group.
    g->addObject(a.get());
    KvRefPtr<KvTSObjectGroup> copy = new KvTSObjectGroup(*g);
    EXPECT_EQ(members(copy.get()), "a");
    EXPECT_TRUE(copy->isNewerThan(*g));
    EXPECT_EQ(copy->getAllowedType(), Part::getClassTypeId());
    KvConstAttributedObjectArray1 deps;
    a->getVisibilityDependentEntities(deps);
    EXPECT_EQ(deps.size(), 2u) << "both groups depend on their member";
}

TEST_F(GroupTest, AGroupIsEnabledWhileAnyMemberIsAndShowsItsMembersLayers) {
    KvRefPtr<FwEntity> a = new FwEntity("a"), b = new FwEntity("b");
    a->setLayer(2);
    b->setLayer(5);
    b->setEnabled(false);
    KvRefPtr<KvTSObjectGroup> g = new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId());
    g->addObjectList(KvFrameworkEntityArray1{a.get(), b.get()});
    bool enabled = false;
    EXPECT_FALSE(g->getEnabled(enabled)) << "no visibility of its own yet";
    g->setLayer(7);
    size_t layer = 0;
    KvLayerMask on, off;
    ASSERT_TRUE(g->getVisibilityAtts(layer, enabled, on, off));
    EXPECT_TRUE(enabled);
    std::ostringstream masks;
    masks << on << off;
    EXPECT_EQ(masks.str(), "{ 2 }{ 5 }") << "the group's own layer is left out";

    // A member's visibility reaches the group's cached state.
    Recorder rec;
    rec.watch(g.get());
    a->setEnabled(false);
    EXPECT_TRUE(g->getEnabled(enabled));
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(rec.take().empty());
    b->setEnabled(true);
    EXPECT_TRUE(g->getEnabled(enabled));
    EXPECT_TRUE(enabled);
}

TEST_F(GroupTest, UndoAndRedoBringMembersBackInPlaceAndTellTheMonitors) {
    enableUndo();
    FwEntity *a = new FwEntity("a"), *b = new FwEntity("b"), *c = new FwEntity("c");
    KvTSObjectGroup* g = new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId());
    keeper.keep(g);
    g->addObjectList(KvFrameworkEntityArray1{a, b, c});
    auto* mon = new Monitor(log, "mon");
    g->addMembershipMonitor(mon);
    KvUndo::mark("make");
    log.clear();

    b->destroy();
    KvUndo::mark("delete b");
    EXPECT_EQ(members(g), "a c");
    log.clear();

    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(members(g), "a b c");
    EXPECT_EQ(log, (Log{"mon:a b c"}));
    log.clear();
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(members(g), "a c");
    ASSERT_TRUE(KvUndo::undo());

    // The group follows a split made in a step and its undo.
    KvRefPtr<FwEntity> p = new FwEntity("p"), q = new FwEntity("q");
    KvRefPtr<Multi> pq = new Multi({p.get(), q.get()});
    KvUndo::mark("parts");
    a->replaceSplit(pq.get(), nullptr);
    pq = nullptr;
    KvUndo::mark("split a");
    EXPECT_EQ(members(g), "b c p q");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(members(g), "a b c");
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(members(g), "b c p q");
    p = q = nullptr;
    g->removeMembershipMonitor(mon);
    EXPECT_EQ(Monitor::alive, 0);
}

TEST_F(GroupTest, TheLastMemberPurgedDuringUndoTakesTheGroupAlong) {
    enableUndo();
    // A group made in the step with a member made in the step: undo takes
    // both, whichever goes first.
    KvUndo::mark("start");
    KvRefPtr<FwEntity> keep = new FwEntity("keep");
    KvUndo::mark("keep");
    FwEntity* x = new FwEntity("x");
    KvTSObjectGroup* g = new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId());
    keeper.keep(g);
    g->addObject(x);
    g->addObject(keep.get());
    g->removeObject(keep.get());
    KvUndo::mark("group");
    log.clear();
    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    EXPECT_EQ(log, (Log{"destroyed:0"}));
    EXPECT_FALSE(keep->isObserver(g));
    log.clear();

    // Redo brings both back, with the group holding x alone.
    ASSERT_TRUE(KvUndo::redo());
    ASSERT_NE(alert.last, nullptr);
    EXPECT_EQ(members(alert.last), "x");
    // Undo of a step that left an existing group with one member gone by a
    // deletion made in the step: it comes back.
    FwEntity* y = static_cast<FwEntity*>(alert.last->getObject(0));
    y->destroy();
    KvUndo::mark("delete x");
    KvActionQueue::process();
    EXPECT_EQ(log.back(), "destroyed:0");
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_NE(alert.last, nullptr);
    EXPECT_EQ(members(alert.last), "x");
}

TEST_F(GroupTest, DeletionsInsideNotificationsLeaveNothingDangling) {
    FwEntity *a = new FwEntity("a"), *b = new FwEntity("b"), *c = new FwEntity("c");
    KvTSObjectGroup* g = new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId());
    keeper.keep(g);
    g->addObjectList(KvFrameworkEntityArray1{a, b, c});
    // A monitor that removes itself, and one that deletes a member, when told.
    auto* leaver = new Monitor(log, "leaver");
    auto* deleter = new Monitor(log, "deleter");
    g->addMembershipMonitor(leaver);
    g->addMembershipMonitor(deleter);
    leaver->onChange = [&] { g->removeMembershipMonitor(leaver); };
    deleter->onChange = [&] {
        if (c) std::exchange(c, nullptr)->destroy();
    };
    // An observer that deletes the group from inside a delivery, once the
    // group is down to one member.
    Recorder rec("rec", &log);
    rec.watch(g);
    rec.onAction = [&](KvAction* act) {
        if (dynamic_cast<KvUpdateAction*>(act) && g->getObjectCount() == 1) g->destroy();
    };
    log.clear();
    g->removeObject(a);
    KvActionQueue::process();
    // The group, dying, still finishes telling of c's deletion; then it goes
    // and takes b, which only it held.
    EXPECT_EQ(log, (Log{"rec<-Update:?", "leaver:b c", "deleter:b c", "rec<-Update:?", "deleter:b", "rec<-Update:?",
                        "deleter:b", "rec<-Purge:?", "destroyed:0"}));
    EXPECT_EQ(alert.destroyedCount, 1);
    EXPECT_EQ(Monitor::alive, 0);
    EXPECT_EQ(TSCensus::live(), 0);
}

TEST_F(GroupTest, AGroupGoesToAFileAndComesBackIntoAFreshModel) {
    const std::string path = tmpPath("groups.kvd");
    // Writes parts a and b and a group of (b, a) made by `make`.
    auto write = [&](uint32_t version, const std::function<KvTSObjectGroup*()>& make) {
        KvRefPtr<Part> a = new Part("a"), b = new Part("b");
        KvRefPtr<KvTSObjectGroup> g = make();
        g->addObjectList(KvFrameworkEntityArray1{b.get(), a.get()});
        KvDataStore store;
        store.setVersion(version);
        ASSERT_TRUE(store.create(path.c_str()));
        EXPECT_TRUE(store.writeEntity("a", a.get()));
        EXPECT_TRUE(store.writeEntity("b", b.get()));
        EXPECT_TRUE(store.writeEntity("group", g.get()));
        if (version >= 71) g->saveMembers("Members", store);
        EXPECT_TRUE(store.close());
    };
    struct Read {
        KvDataStore store;
        KvRefPtr<KvTSObjectGroup> group;
        Log errors() const { return toLog(store.getErrors()); }
    };
    auto read = [&](Read& r) {
        ASSERT_TRUE(r.store.open(path.c_str()));
        r.group = KvTSObjectGroup::cast(r.store.readEntity("group"));
        ASSERT_TRUE(r.group);
    };

    write(KvDataStore::getCurrentVersion(), [] { return new KvTSObjectGroup(Part::getClassTypeId()); });
    KvActionQueue::process();
    EXPECT_TRUE(TSCensus::all.empty());
    log.clear();
    {
        // Current files keep the members apart from the group's record.
        Read r;
        read(r);
        EXPECT_EQ(r.group->getAllowedType(), Part::getClassTypeId());
        EXPECT_EQ(r.group->getObjectCount(), 0u);
        r.group->loadMembers("Members", r.store);
        EXPECT_EQ(members(r.group.get()), "b a");
        EXPECT_EQ(r.errors(), Log{});
        EXPECT_EQ(log, (Log{"created:0"}));
    }
    KvActionQueue::process();
    {
        // Members of the wrong type end the reading with a message, and
        // nothing read is left behind.
        Read r;
        read(r);
        r.group->setAllowedType(KvTSObjectGroup::getClassTypeId());
        r.group->loadMembers("Members", r.store);
        EXPECT_EQ(r.group->getObjectCount(), 0u);
        EXPECT_EQ(r.errors(), Log{"Invalid entity type for group"});
    }
    KvActionQueue::process();

    // Files before version 71 carry them in the record.
    write(70, [] { return new OldGroup(Part::getClassTypeId()); });
    KvActionQueue::process();
    {
        Read r;
        read(r);
        EXPECT_EQ(members(r.group.get()), "b a");
        EXPECT_EQ(r.errors(), Log{});
    }

    // The handler takes groups only.
    KvDataStore store;
    ASSERT_TRUE(store.create(path.c_str()));
    KvRefPtr<Part> a = new Part("a");
    EXPECT_FALSE(KvDataStore::getEntityType(KvTSObjectGroup::getClassTypeId())->write(store, "x", false, a.get()));
    EXPECT_EQ(toLog(store.getErrors()), Log{"Invalid entity type for this handler"});
}
