#include <KvActionLock.h>
#include <KvActionQueue.h>
#include <KvConstRefPtr.h>
#include <KvDeleteAction.h>
#include <KvExcept.h>
#include <KvRefObjectArray1.h>
#include <KvRefPtr.h>
#include <KvTestObjects.h>
#include <KvTestTSObjects.h>
#include <KvTestUndo.h>
#include <KvTrackingPtr.h>

#include <gtest/gtest.h>

#include <sstream>
#include <type_traits>

using namespace kvtest;

namespace {
template <class P, class = void>
struct CanDelete : std::false_type {};
template <class P>
struct CanDelete<P, std::void_t<decltype(delete std::declval<P&>())>> : std::true_type {};
}  // namespace

// Reference pointers never turn into plain pointers by themselves, never lose
// const and never go down the hierarchy.
static_assert(!std::is_convertible<KvRefPtr<Counted>, Counted*>::value, "");
static_assert(!std::is_convertible<KvConstRefPtr<Counted>, const Counted*>::value, "");
static_assert(!CanDelete<KvRefPtr<Counted>>::value && !CanDelete<KvConstRefPtr<Counted>>::value, "");
static_assert(CanDelete<Counted*>::value, "the check itself detects a deletable pointer");
static_assert(!std::is_constructible<KvRefPtr<Counted>, KvConstRefPtr<Counted>>::value, "");
static_assert(!std::is_assignable<KvRefPtr<Counted>&, const Counted*>::value, "");
static_assert(!std::is_convertible<KvRefPtr<KvRefObject>, KvRefPtr<Counted>>::value, "");
static_assert(!std::is_convertible<KvRefObject*, KvRefPtr<Counted>>::value, "");
static_assert(std::is_convertible<KvRefPtr<Counted>, KvConstRefPtr<KvRefObject>>::value, "");
static_assert(sizeof(KvRefPtr<Counted>) == sizeof(void*) && sizeof(KvConstRefPtr<Counted>) == sizeof(void*), "");

using RefObjectTest = QueueFixture;

TEST_F(RefObjectTest, LastUnrefDestroysOnceAndAtOnceWhenIdle) {
    auto* obj = new Counted;
    obj->ref();
    EXPECT_EQ(obj->getRefCount(), 1);
    obj->unref();
    EXPECT_EQ(Census<Counted>::deleted, 1);  // deleted before unref returned

    {
        KvRefPtr<Counted> p(new Counted);
        KvActionLock lock;
        p = nullptr;
        EXPECT_EQ(Census<Counted>::live(), 1) << "deletion waits for the lock";
    }
    EXPECT_EQ(Census<Counted>::deleted, 2);

    // unrefKeep hands back a temporary reference without destroying.
    auto* kept = new Counted;
    kept->ref();
    kept->unrefKeep();
    EXPECT_EQ(Census<Counted>::live(), 1);
    kept->ref();
    kept->unref();
    EXPECT_EQ(Census<Counted>::deleted, 3);

    // An object with no reference that is unref'd goes negative and lives.
    auto* neg = new Counted;
    neg->unref();
    EXPECT_EQ(neg->getRefCount(), -1);
    EXPECT_EQ(Census<Counted>::live(), 1);
    neg->ref();
    neg->ref();
    neg->unref();
    EXPECT_EQ(Census<Counted>::live(), 0);
}

TEST_F(RefObjectTest, CopiesStartUnsharedAndUnobserved) {
    KvRefPtr<Counted> a(new Counted("a"));
    Recorder rec;
    rec.watch(a.get());
    {
        KvRefPtr<Counted> b(new Counted(*a));
        EXPECT_EQ(b->getRefCount(), 1);
        EXPECT_EQ(b->getNumObservers(), 0u);
        *b = *a;  // assignment touches neither count nor observers
        EXPECT_EQ(a->getRefCount(), 1);
        EXPECT_EQ(a->getNumObservers(), 1u);
    }
    KvRefPtr<Counted>& self = a;
    a = self;  // self-assignment keeps the object
    EXPECT_EQ(Census<Counted>::live(), 1);
    KvRefPtr<Counted> empty;
    empty = empty;
}

TEST_F(RefObjectTest, TrackingPointerFollowsReplaceSplitJoinAndPurge) {
    KvRefPtr<Counted> a(new Counted("a")), b(new Counted("b"));
    KvTrackingPtr t(a.get());
    EXPECT_TRUE(a->isObserver(&t));
    t = a.get();  // same object: observer list untouched
    EXPECT_EQ(a->getNumObservers(), 1u);

    a->replace(b.get(), nullptr);
    EXPECT_EQ(t.getObject(), b.get());
    EXPECT_FALSE(a->isObserver(&t));
    EXPECT_TRUE(b->isObserver(&t));

    // A replace with no replacement leaves it tracking nothing.
    b->replace(nullptr, nullptr);
    EXPECT_EQ(t.getObject(), nullptr);

    // Split drops the object; join moves to the single object.
    t = a.get();
    KvRefPtr<Multi> multi(new Multi);  // lists `a` without observing it
    multi->members.push_back(a.get());
    a->replaceSplit(multi.get(), nullptr);
    EXPECT_EQ(t.getObject(), nullptr);
    t = a.get();
    {
        KvJoinAction* join = new KvJoinAction(a.get(), multi.get(), b.get(), nullptr);
        a->notifyObservers(join, KvActionObject());
    }
    EXPECT_EQ(t.getObject(), b.get());

    // Purge of the tracked object: tracks nothing, holds nothing.
    {
        KvRefPtr<Counted> c(new Counted("c"));
        t = c.get();
    }
    EXPECT_EQ(Census<Counted>::live(), 3) << "the tracking pointer keeps its object alive";
    t = nullptr;
    EXPECT_EQ(Census<Counted>::live(), 2);

    // Move leaves the source null and no longer an observer.
    t = a.get();
    KvTrackingPtr moved(std::move(t));
    EXPECT_EQ(t.getObject(), nullptr);
    EXPECT_EQ(moved.getObject(), a.get());
    EXPECT_EQ(a->getNumObservers(), 1u);
    EXPECT_TRUE(a->isObserver(&moved));
    KvTrackingPtr assigned;
    assigned = std::move(moved);
    EXPECT_TRUE(a->isObserver(&assigned));
    EXPECT_FALSE(a->isObserver(&moved));
}

TEST_F(RefObjectTest, TrackingPointerDropsAStrangerThatPurges) {
    KvRefPtr<Counted> mine(new Counted("mine"));
    KvTrackingPtr t(mine.get());
    {
        KvRefPtr<Counted> stranger(new Counted("stranger"));
        stranger->addObserver(&t);  // e.g. left over from an earlier tracking
        KvUpdateAction* update = new KvUpdateAction(stranger.get(), nullptr);
        stranger->notifyObservers(update, KvActionObject());
        EXPECT_FALSE(stranger->isObserver(&t)) << "update from a stranger unsubscribes";
        stranger->addObserver(&t);
    }  // stranger purges
    EXPECT_EQ(t.getObject(), mine.get());
    EXPECT_TRUE(mine->isObserver(&t));
    EXPECT_EQ(Census<Counted>::live(), 1);
}

TEST_F(RefObjectTest, ActionsHoldTheirSourceAndPrintTheirName) {
    expectThrows("NULL entity", [] { new KvUpdateAction(nullptr, nullptr); });
    expectThrows("NULL entity", [] { new KvPurgeAction(nullptr); });

    Counted* obj = new Counted;
    obj->ref();
    KvAction* a = new KvUpdateAction(obj, nullptr);
    EXPECT_EQ(obj->getRefCount(), 2);
    EXPECT_FALSE(a->isDoomAction());
    std::ostringstream os;
    os << a;
    std::ostringstream expect;
    expect << "UpdateAction(" << static_cast<const void*>(a) << ")";
    EXPECT_EQ(os.str(), expect.str());

    // The last owner of the source is gone; the action keeps it alive.
    obj->unref();
    EXPECT_EQ(Census<Counted>::live(), 1);
    a->ref();
    EXPECT_EQ(a->getRefCount(), 1u);
    a->unref();  // deletes without decrementing, releases the source
    EXPECT_EQ(Census<Counted>::live(), 0);

    // A source that is not reference counted is not held.
    Quiet<KvObservedObject> plain;
    KvAction* d = new KvDeleteAction(&plain);
    EXPECT_TRUE(d->isDoomAction());
    d->ref();
    d->unref();

    // A copy holds what the original holds; the single object of a join is
    // kept like the source, through its undo form when it has no other.
    Node* single = new Node("single");
    KvJoinAction* join = new KvJoinAction(new Counted("member"), nullptr, single, nullptr);
    join->ref();
    KvJoinAction* copy = new KvJoinAction(*join);
    copy->ref();
    EXPECT_EQ(single->getRefCount(), 2);
    join->unref();
    EXPECT_EQ(single->getRefCount(), 1);
    EXPECT_EQ(Census<Counted>::live(), 1);
    copy->unref();
    EXPECT_EQ(Census<Counted>::live(), 0);
    EXPECT_TRUE(Census<Node>::all.empty());
}
