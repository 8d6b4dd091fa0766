#include <KvTestUndo.h>

#include <KvJoinAction.h>
#include <KvRefPtr.h>
#include <KvUndoBoolDatum.h>
#include <KvUndoBoolDatumState.h>
#include <KvUndoRealDatum.h>
#include <KvUndoRefObjectDatum.h>
#include <KvUndoRefObjectDatumState.h>
#include <KvUndoUIntDatum.h>

#include <limits>

using namespace kvtest;

namespace {

class KvUndoDatumTest : public UndoTest {};

using Thing = Counted;

// A pointer datum whose states keep the held thing alive themselves (things
// are no undo objects, so they have no undo reference).
class Link : public KvUndoRefObjectDatum {
public:
    Link() = default;
    using KvUndoRefObjectDatum::set;
    KvUndoState* getState() const override;
};

class LinkState : public KvUndoRefObjectDatumState {
public:
    explicit LinkState(const Link& l) : KvUndoRefObjectDatumState(l), held(dynamic_cast<Thing*>(l.get())) {}
    KvUndoObject* recreateObject() const override { return nullptr; }
    KvObservedObject* getObservedObject() const override { return held.get(); }
    bool isSame(const KvUndoState* other) const override {
        return other && static_cast<const LinkState*>(other)->held == held;
    }
    KvRefPtr<Thing> held;
};

KvUndoState* Link::getState() const { return new LinkState(*this); }

}  // namespace

TEST_F(KvUndoDatumTest, ScalarsRecordOnlyRealChanges) {
    auto* i = new KvUndoIntDatum(-1);
    auto* u = new KvUndoUIntDatum(1);
    auto* b = new KvUndoBoolDatum;
    auto* r = new KvUndoRealDatum(0.5);
    KvUndo::mark("create");
    Recorder rec;
    for (KvObservedObject* o : {static_cast<KvObservedObject*>(i), static_cast<KvObservedObject*>(u),
                                static_cast<KvObservedObject*>(b), static_cast<KvObservedObject*>(r)})
        rec.watch(o);

    i->set(-1);
    u->set(1);
    b->set(false);
    r->set(0.5);
    KvUndo::mark("same values");
    EXPECT_TRUE(rec.take().empty());
    checkState("no step", 1, {"create"}, {});

    i->set(-7);
    u->set(std::numeric_limits<uint64_t>::max());
    b->set(true);
    r->set(2.25);
    KvUndo::mark("all");
    EXPECT_EQ(rec.take().size(), 4u);
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(i->get(), -1);
    EXPECT_EQ(u->get(), 1u);
    EXPECT_FALSE(b->get());
    EXPECT_EQ(r->get(), 0.5);
    EXPECT_EQ(rec.take(), (Log{"Update:?", "Update:?", "Update:?", "Update:?"}));
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(u->get(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(rec.take().size(), 4u);

    // NaN equals nothing, itself included: every set is a change.
    double nan = std::numeric_limits<double>::quiet_NaN();
    r->set(nan);
    KvUndo::mark("nan");
    r->set(nan);
    KvUndo::mark("nan again");
    EXPECT_EQ(rec.take().size(), 2u);
    checkState("nan steps", 4, {"nan again", "nan", "all", "create"}, {});

    // Assignment copies the value quietly; a copy is an object of its own.
    KvUndoIntDatum* copy = new KvUndoIntDatum(*i);
    KvUndo::mark("copy");
    *copy = KvUndoIntDatum(5);
    *i = *copy;
    KvUndo::mark("assigned");
    EXPECT_EQ(i->get(), 5);
    EXPECT_TRUE(rec.take().empty());
    checkState("assignment records nothing", 5, {"copy", "nan again", "nan", "all", "create"}, {});
    for (KvUndoDatum* d : {static_cast<KvUndoDatum*>(i), static_cast<KvUndoDatum*>(u), static_cast<KvUndoDatum*>(b),
                           static_cast<KvUndoDatum*>(r), static_cast<KvUndoDatum*>(copy)})
        d->destroy();
}

TEST_F(KvUndoDatumTest, RestoredScalarsKeepTheirClass) {
    auto* b = new KvUndoBoolDatum(true);
    KvUndo::mark("create");
    KvUndoReference ref = b->reference();
    b->destroy();
    KvActionQueue::process();
    KvUndo::mark("delete");
    ASSERT_TRUE(KvUndo::undo());
    KvUndoBoolDatum* back = KvUndoBoolDatum::cast(KvUndo::dereference(ref));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->get());
    EXPECT_EQ(KvUndo::getReferenceTypeId(ref), KvUndoBoolDatum::getClassTypeId());

    // A state written into an object of another class changes nothing.
    KvUndoIntDatumState wrong(42);
    wrong.restoreObject(back);
    EXPECT_TRUE(back->get());
    KvUndoBoolDatumState f(false), t(true), t2(true);
    EXPECT_TRUE(t.isSame(&t2));
    EXPECT_FALSE(t.isSame(&f));
    EXPECT_FALSE(t.isSame(nullptr));
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(KvUndo::dereference(ref), nullptr);
}

TEST_F(KvUndoDatumTest, PointerDataFollowAndHoldTheirObject) {
    Census<Counted>::reset();
    {
        KvRefPtr<Thing> p1(new Thing), p2(new Thing), p3(new Thing), stranger(new Thing);
        Link* link = new Link;
        link->set(p1.get());
        KvUndo::mark("p1");
        EXPECT_EQ(p1->getRefCount(), 3);  // holder, link, state
        link->set(p2.get());
        KvUndo::mark("p2");
        EXPECT_EQ(p1->getRefCount(), 2);  // holder, state
        EXPECT_TRUE(p2->isObserver(link));

        ASSERT_TRUE(KvUndo::undo());
        EXPECT_EQ(link->get(), p1.get());
        EXPECT_TRUE(p1->isObserver(link));
        EXPECT_FALSE(p2->isObserver(link));
        EXPECT_EQ(p2->getRefCount(), 2);  // holder, state
        ASSERT_TRUE(KvUndo::redo());
        EXPECT_EQ(link->get(), p2.get());

        // The model replaces the held object: the datum follows.
        p2->replace(p3.get(), nullptr);
        EXPECT_EQ(link->get(), p3.get());
        EXPECT_EQ(p3->getRefCount(), 2);
        // A join about an object it does not hold is a stray and changes nothing.
        KvJoinAction* stray = new KvJoinAction(stranger.get(), nullptr, p1.get(), nullptr);
        stray->ref();
        link->handleJoinAction(stray);
        stray->unref();
        EXPECT_EQ(link->get(), p3.get());
        KvUndo::mark("replaced");

        // The held object is destroyed under it: the datum lets go.
        Thing* doomed = new Thing;
        link->set(doomed);
        doomed->destroy();
        KvActionQueue::process();
        EXPECT_EQ(link->get(), nullptr);
        KvUndo::mark("purged");
        link->set(nullptr);
        link->destroy();
    }
    forgetHistory();
    KvActionQueue::process();
    expectAllDeleted<Counted>();
}
