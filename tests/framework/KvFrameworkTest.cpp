#include <KvConstTSObjectArray1.h>
#include <KvFrameworkEntityArray1.h>
#include <KvFrameworkEntitySet.h>
#include <KvLaterUpdater.h>
#include <KvTestFrameworks.h>

#include <gtest/gtest.h>

using namespace kvtest;

using FrameworkBaseTest = FrameworkTest;

TEST_F(FrameworkBaseTest, NamesAndLookupsGoToTheActiveFramework) {
    EXPECT_EQ(KvFrameworkBase::registerName(nullptr, "a"), KvString("a"));
    EXPECT_EQ(KvFrameworkBase::registerLegacyName(nullptr, "a"), KvString("a"));
    EXPECT_EQ(KvFrameworkBase::getEntity("e"), nullptr);

    KvRefPtr<TestFramework> db(new TestFramework("db"));
    KvRefPtr<FwEntity> e(new FwEntity("e", db.get()));
    TestFramework::setActive(db.get());
    EXPECT_EQ(KvFrameworkBase::getActive(), db.get());
    EXPECT_EQ(KvFrameworkBase::registerName(nullptr, "a"), KvString("a"));
    EXPECT_EQ(KvFrameworkBase::registerName(nullptr, "a"), KvString("a-2"));
    EXPECT_EQ(KvFrameworkBase::registerLegacyName(nullptr, "a"), KvString("a-3"));
    EXPECT_EQ(KvFrameworkBase::getEntity("e"), e.get());
    TestFramework::setActive(nullptr);
}

TEST_F(FrameworkBaseTest, EntitiesReadFromAStoreAreToldOnceMoreWhenItGoes) {
    KvRefPtr<FwEntity> e1(new FwEntity("e1"));
    KvRefPtr<FwEntity> e2(new FwEntity("e2"));
    auto* gone = new FwEntity("gone");
    Log order;
    Recorder on1("", &order), on2("", &order);
    on1.watch(e1.get());
    on2.watch(e2.get());
    {
        KvDataStore store;
        e1->sendUpdateOnFileClose(store);
        e2->sendUpdateOnFileClose(store);
        e1->sendUpdateOnFileClose(store);
        gone->sendUpdateOnFileClose(store);
        auto* updater = KvLaterUpdater::cast(store.getAttribute(KvLaterUpdater::getClassTypeId()));
        ASSERT_NE(updater, nullptr);
        EXPECT_EQ(updater->getNumEntities(), 3u);
        gone->unlink();
        EXPECT_EQ(updater->getNumEntities(), 2u) << "a purged entity is forgotten";
        EXPECT_TRUE(order.empty());
    }
    EXPECT_EQ(order, (Log{"Update:e1", "Update:e2"}));
}

TEST_F(FrameworkBaseTest, ContainersOfEntitiesSurviveUndoThroughReferences) {
    enableUndo();
    KvRefPtr<FwEntity> kept(new FwEntity("kept"));
    auto* doomed = new FwEntity("doomed");
    KvFrameworkEntityArray1 array{kept.get(), doomed, nullptr};
    // A view as time-stamped objects shares the block.
    EXPECT_TRUE(static_cast<const KvConstTSObjectArray1&>(array).isSharedWith(array));

    kv::vector<KvUndoReference> refs;
    array.reference(refs);
    ASSERT_EQ(refs.size(), 3u);
    EXPECT_TRUE(refs[0].isNonNull());
    EXPECT_FALSE(refs[2].isNonNull());
    KvUndo::mark("made");

    array.clear();
    KvUndo::mark("deleted");
    KvFrameworkEntityArray1 back;
    KvFrameworkEntityArray1::dereference(back, refs);
    EXPECT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], kept.get());
    EXPECT_EQ(back[1], nullptr) << "deleted with the array's last reference";
    EXPECT_EQ(back[2], nullptr);

    // Undo brings the deleted one back; the references name it again.
    ASSERT_TRUE(KvUndo::undo());
    KvFrameworkEntitySet set;
    KvFrameworkEntitySet::dereference(set, refs);
    EXPECT_EQ(set.size(), 3u) << "null, kept and the rebuilt one";
    EXPECT_TRUE(set.contains(kept.get()));
    EXPECT_TRUE(set.contains(nullptr));
}
