#include <KvActionQueue.h>
#include <KvBase.h>
#include <KvCloneMapper.h>
#include <KvConstTSObjectArray1.h>
#include <KvConstTSObjectSet.h>
#include <KvTSObjectArray1.h>
#include <KvTSObjectMapKey.h>
#include <KvTSObjectSet.h>
#include <KvTestObjects.h>
#include <KvTestTSObjects.h>
#include <KvTrackingPtr.h>
#include <KvUndo.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace kvtest;

using TSObjectTest = TSTest;

TEST_F(TSObjectTest, StampsFollowCreationAndCloneModes) {
    KvRefPtr<Entity> a(new Entity("a"));
    KvRefPtr<Entity> b(new Entity("b"));
    EXPECT_TRUE(b->isNewerThan(*a));
    EXPECT_TRUE(a->isOlderThan(*b));
    EXPECT_FALSE(a->isNewerThan(*a));
    bool stamped = false;
    EXPECT_EQ(a->getCreationTimeStamp(stamped), a->getTimeStamp());
    EXPECT_TRUE(stamped);

    // A copy is a new object; assignment leaves the stamp alone.
    KvRefPtr<Entity> copy(new Entity(*a));
    EXPECT_TRUE(copy->isNewerThan(*b));
    const KvTimeStamp before = b->getTimeStamp();
    *b = *a;
    EXPECT_EQ(b->getTimeStamp(), before);

    // A clone keeps its master's stamp unless the mapper renews them; with
    // equal stamps the address decides.
    KvCloneMapper keep;
    KvRefPtr<Entity> kept(new Entity(*a, keep));
    EXPECT_EQ(kept->getTimeStamp(), a->getTimeStamp());
    EXPECT_NE(*a < *kept, *kept < *a);
    EXPECT_EQ(*a < *kept, a.get() < kept.get());

    KvCloneMapper renew(KvCloneMapper::NewTimeStamps);
    EXPECT_FALSE(renew.preserveTimeStamps());
    KvRefPtr<Entity> renewed(new Entity(*a, renew));
    EXPECT_TRUE(renewed->isNewerThan(*copy));
    EXPECT_TRUE(*a < *renewed);
    EXPECT_FALSE(*renewed < *a);

    // Unordered against an object without a stamp.
    Census<Counted>::reset();
    KvRefPtr<Counted> plain(new Counted);
    EXPECT_FALSE(*a < *plain);
    EXPECT_FALSE(*plain < *a);
    EXPECT_EQ(KvTSObject::cast(plain.get()), nullptr);
}

TEST_F(TSObjectTest, SortArrayGivesCreationOrderWithoutRepeats) {
    KvRefPtr<Entity> a(new Entity("a"));
    KvRefPtr<Entity> b(new Entity("b"));
    KvRefPtr<Entity> c(new Entity("c"));
    KvConstTSObjectArray1 array{c.get(), a.get(), b.get(), a.get(), nullptr};
    KvTSObject::sortArray(array);
    ASSERT_EQ(array.size(), 4u);
    EXPECT_EQ(array[0], nullptr);
    EXPECT_EQ(array[1], a.get());
    EXPECT_EQ(array[2], b.get());
    EXPECT_EQ(array[3], c.get());
    EXPECT_EQ(a->getRefCount(), 2) << "one reference from the array, the repeat let go";

    // Sets of time-stamped objects come out in creation order too.
    KvTSObjectSet set{c.get(), b.get(), a.get()};
    EXPECT_EQ(set.first(), a.get());
    EXPECT_EQ(set.last(), c.get());
}

TEST_F(TSObjectTest, MapKeysPutMultiObjectsFirst) {
    KvRefPtr<Entity> a(new Entity("a"));
    KvRefPtr<Entity> b(new Entity("b"));
    KvRefPtr<Entity> urgent(new Entity("urgent"));
    urgent->priority = 5;
    KvRefPtr<Multi> multi(new Multi({a.get()}));

    const KvTSObjectMapKey ka = *a, kb = *b, ku = *urgent, km = *multi;
    EXPECT_EQ(km.getPriority(), std::numeric_limits<uint64_t>::max());
    EXPECT_TRUE(km < ka && km < ku) << "made last, ordered first";
    EXPECT_TRUE(ku < ka) << "higher priority first";
    EXPECT_TRUE(ka < kb && !(kb < ka)) << "then creation order";
    EXPECT_FALSE(ka < ka);
    EXPECT_TRUE(ka == KvTSObjectMapKey(a.get()));
    EXPECT_FALSE(ka == kb);
    EXPECT_EQ(static_cast<KvTSObject*>(ka), a.get());
    EXPECT_EQ(&ka->getTimeStamp(), &a->getTimeStamp());

    // A null key orders by address and equals only a null key.
    const KvTSObjectMapKey none;
    EXPECT_EQ(none.getPriority(), 0u);
    EXPECT_TRUE(none < ka);
    EXPECT_TRUE(none == KvTSObjectMapKey(nullptr));
}

TEST_F(TSObjectTest, MultisOfAnObjectAreItsMultiObjectObservers) {
    KvRefPtr<Entity> a(new Entity("a"));
    KvRefPtr<Entity> b(new Entity("b"));
    KvTSObjectArray1 out{a.get()};
    EXPECT_EQ(KvMultiObject::getMultisFromObject(nullptr, out), 0u);
    EXPECT_TRUE(out.empty());

    KvRefPtr<Multi> m1(new Multi({a.get(), b.get()}, "m1"));
    Recorder listener;
    listener.watch(a.get());
    KvRefPtr<Multi> m2(new Multi({a.get()}, "m2"));
    EXPECT_EQ(KvMultiObject::getMultisFromObject(a.get(), out), 2u);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], m1.get());
    EXPECT_EQ(out[1], m2.get());
    EXPECT_EQ(KvMultiObject::getMultisFromObject(b.get(), out), 1u);

    // Never cloned.
    KvCloneMapper mapper;
    EXPECT_EQ(m1->getClone(mapper), nullptr);
}

TEST_F(TSObjectTest, ReplaceJoinAnnouncesEachMemberThenUpdates) {
    KvRefPtr<Entity> a(new Entity("a"));
    KvRefPtr<Entity> b(new Entity("b"));
    KvRefPtr<Entity> single(new Entity("ab"));
    KvRefPtr<Multi> multi(new Multi({a.get(), b.get()}));
    Log order;
    Recorder onA("", &order), onB("", &order), onMulti("", &order);
    onA.watch(a.get());
    onB.watch(b.get());
    onMulti.watch(multi.get());

    KvMultiObject* seen = nullptr;
    struct Catch : Recorder {
        using Recorder::Recorder;
        KvMultiObject** seen;
        void handleJoinAction(KvJoinAction* j) override {
            *seen = j->getMulti();
            EXPECT_TRUE(j->getMulti()->contains(j->getSource()));
            Recorder::handleJoinAction(j);
        }
    } catcher;
    catcher.seen = &seen;
    catcher.watch(a.get());

    multi->replaceJoin(single.get(), nullptr);
    EXPECT_EQ(order, (Log{"Join:a>ab", "Join:b>ab", "Update:multi"}));
    ASSERT_NE(seen, nullptr);
    EXPECT_NE(seen, multi.get()) << "members hear of a copy of the multi-object";
    EXPECT_EQ(TSCensus::live(), 4) << "the copy is gone once the join is told";
}

TEST_F(TSObjectTest, UndoBringsBackTheStamp) {
    KvRefPtr<Entity> a(new Entity("a", 1));
    KvRefPtr<Entity> other(new Entity("other"));
    kvtest::EntityState state(*a);
    EXPECT_TRUE(state.isSame(&state));
    kvtest::EntityState otherState(*other);
    EXPECT_FALSE(state.isSame(&otherState));

    // Restoring writes the saved stamp into a living object...
    state.restoreBridgedObject(other.get());
    EXPECT_EQ(other->getTimeStamp(), a->getTimeStamp());
    EXPECT_EQ(other->value, 1);
    // ...and an object rebuilt from a state has exactly the old stamp.
    KvRefPtr<KvAttributedObject> rebuilt(state.recreateBridgedObject(nullptr));
    EXPECT_EQ(KvTSObject::cast(rebuilt.get())->getTimeStamp(), a->getTimeStamp());
}

TEST_F(TSObjectTest, UndoOfADeletionRebuildsTheObjectInItsPlace) {
    KvUndo::setMaxSteps(10);
    KvTrackingPtr holder(new Entity("a"));  // lets go when the object goes
    auto* a = static_cast<Entity*>(holder.getObject());
    KvRefPtr<Entity> b(new Entity("b"));
    KvUndo::mark("create");
    const KvTimeStamp stamp = a->getTimeStamp();
    KvUndoReference ref = a->reference();
    a->unlink();
    EXPECT_EQ(holder.getObject(), nullptr);
    KvUndo::mark("delete");
    ASSERT_TRUE(KvUndo::undo());
    auto* back = KvTSObject::cast(KvAttributedObject::dereference(ref));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->getTimeStamp(), stamp);
    EXPECT_TRUE(back->isOlderThan(*b));
    KvUndo::truncate();
    KvUndo::setMaxSteps(0);
    b = nullptr;
    back->destroy();
}
