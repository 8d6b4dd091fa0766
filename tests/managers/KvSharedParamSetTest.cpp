#include "KvManagersTestSupport.h"

#include <KvRefObjectSet.h>

using namespace kvtest;

namespace {

class SharedSetTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        registerTestHandlers();
        resetCounts();
    }
    void TearDown() override {
        ManagerTest::TearDown();
        destroyAll<TestObject>();
        expectAllGone();
    }
    static Log attached(const KvAttributedObject* obj, const char* prefix) {
        return attachedNames(obj->getParamSetAttr(), prefix);
    }
};

}  // namespace

TEST_F(SharedSetTest, ValuesAndNotifications) {
    KvSharedParamSet* set = create("");
    EXPECT_EQ(set->getClass(), KvString("User"));
    EXPECT_EQ(setName(set), "param-1");
    Recorder rec;
    rec.watch(set);
    set->setClass("User");  // unchanged: silent
    set->setParams(paramsOf({{"x", "1"}}));
    KvParamSet renamed = paramsOf({{"y", "2"}});
    renamed.setName("other");
    set->setParams(renamed);
    EXPECT_EQ(setName(set), "param-1");
    current()->setName(set, "param-1");  // the same name still notifies
    KvActionQueue::process();
    EXPECT_EQ(rec.take(), (Log{"Update:?", "Update:?", "Update:?"}));
}

TEST_F(SharedSetTest, OneChangeReachesEveryUser) {
    KvSharedParamSet* set = create("mesh", paramsOf({{"size", "1"}}));
    KvRefPtr<TestObject> users[3] = {new TestObject("u1"), new TestObject("u2"), new TestObject("u3")};
    for (auto& u : users)
        u->getParamSetAttr(true)->attachParamSet("", set);
    KvRefObjectSet entities;
    set->getEntities(entities);
    EXPECT_EQ(entities.size(), 3u);

    // Each attribute hears the change once.
    std::vector<std::unique_ptr<Recorder>> recs;
    for (auto& u : users) {
        recs.emplace_back(new Recorder);
        recs.back()->watch(const_cast<KvParamSetAttribute*>(u->getParamSetAttr()));
    }
    Recorder onSet;
    onSet.watch(set);
    set->setParams(paramsOf({{"size", "2"}}));
    KvActionQueue::process();
    EXPECT_EQ(onSet.take().size(), 1u);
    for (auto& u : users)
        EXPECT_EQ(u->getParamSetAttr()->findAttachedByName("", "mesh")->getParams(), paramsOf({{"size", "2"}}));

    // Deleted from its manager while in use: every user lets it go.
    current()->deleteObject(set);
    KvActionQueue::process();
    for (auto& u : users)
        EXPECT_TRUE(attached(u.get(), "").empty());
    EXPECT_EQ(listOf(current()), (Log{"-"}));
}

TEST_F(SharedSetTest, EntitiesAndTheirSetsRoundTripThroughAFile) {
    KvSharedParamSet* mesh = create("mesh", paramsOf({{"size", "1"}}));
    KvSharedParamSet* solver = create("solver", paramsOf({{"iters", "10"}}));
    solver->setClass("Solver");
    KvRefPtr<TestObject> a(new TestObject("a")), b(new TestObject("b"));
    a->getParamSetAttr(true)->attachParamSet("", mesh);
    a->getParamSetAttr(true)->attachParamSet("run", solver);
    a->getParamSetAttr(true)->setParams("local", "X", paramsOf({{"k", "v"}}));
    b->getParamSetAttr(true)->attachParamSet("", mesh);

    const std::string path = tmpPath("entities.kvs");
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(path.c_str()));
        ASSERT_TRUE(out.writeEntity("A", a.get()));
        ASSERT_TRUE(out.writeEntity("B", b.get()));
        KvSharedParamSetManager::save(out);
        ASSERT_TRUE(out.close());
    }
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(path.c_str()));
        ASSERT_TRUE(in.enterSection("A"));
        ASSERT_TRUE(in.enterSection("Attributes"));
        ASSERT_TRUE(in.enterSection(KvParamSetAttribute::getClassTypeId().describe()));
        ASSERT_TRUE(in.enterSection("AttachedParamSets"));
        // The empty prefix is stored as "Direct".
        EXPECT_EQ(toLog(in.listKeys()), (Log{"Direct", "run"}));
    }

    KvDataStore in;
    ASSERT_TRUE(in.open(path.c_str()));
    KvSharedParamSetManager::loadStart(in);
    KvRefPtr<TestObject> a2(TestObject::cast(in.readEntity("A")));
    KvRefPtr<TestObject> b2(TestObject::cast(in.readEntity("B")));
    ASSERT_TRUE(a2 && b2);
    EXPECT_TRUE(in.getErrors().empty());
    KvSharedParamSetManager::loadFinish(true);
    KvActionQueue::process();

    // The file's sets arrive beside ours under fresh names, and the read
    // entities use them.
    EXPECT_EQ(listOf(current()), (Log{"mesh#2", "solver#3", "mesh-1#6", "solver-1#7"}));
    EXPECT_EQ(attached(a2.get(), ""), (Log{"mesh-1"}));
    EXPECT_EQ(attached(a2.get(), "run"), (Log{"solver-1"}));
    EXPECT_EQ(attached(b2.get(), ""), (Log{"mesh-1"}));
    EXPECT_EQ(a2->getParamSetAttr()->params("local", "X"), paramsOf({{"k", "v"}}));
    const KvSharedParamSet* solver2 = a2->getParamSetAttr()->findAttachedByClass("run", "Solver");
    ASSERT_NE(solver2, nullptr);
    EXPECT_EQ(solver2->getParams(), paramsOf({{"iters", "10"}}));
    KvRefObjectSet users;
    solver2->getEntities(users);
    EXPECT_EQ(users.size(), 1u);
}
