#include <KvActionLock.h>
#include <KvActionQueue.h>
#include <KvActionSubQueue.h>
#include <KvDelayedFunction.h>
#include <KvExcept.h>
#include <KvObserverIterator.h>
#include <KvRefPtr.h>
#include <KvTestObjects.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>

using namespace kvtest;

namespace {

using QueueTest = QueueFixture;

struct Fn : KvDelayedFunction {
    explicit Fn(std::function<void()> f) : f(std::move(f)) { ++live; }
    ~Fn() override { --live; }
    void execute() override { f(); }
    std::function<void()> f;
    inline static int live = 0;
};

struct Sub : KvActionSubQueue {
    explicit Sub(std::function<void()> f = nullptr) : f(std::move(f)) {}
    ~Sub() override { *deleted = true; }
    void flush() override {
        ++flushes;
        if (f) f();
    }
    int hasPending() override { return pending; }
    void clearTarget(KvObject* obj) override { cleared.push_back(obj); }
    std::function<void()> f;
    std::vector<KvObject*> cleared;
    int flushes = 0;
    int pending = 0;
    std::shared_ptr<bool> deleted = std::make_shared<bool>(false);
};

using SameAddress = AtOneAddress<Recorder>;

// An observed recorder that counts its deletions.
struct Doomed : RecorderOf<KvRefObject> {
    using RecorderOf::RecorderOf;
    ~Doomed() override { ++deletes; }
    inline static int deletes = 0;
};
using SlotRec = AtOneAddress<Doomed>;

}  // namespace

TEST_F(QueueTest, ObserversHearInOrderExceptTheOriginator) {
    KvRefPtr<Counted> src(new Counted("src"));
    Log order;
    Recorder a("a", &order), b("b", &order), c("c", &order);
    for (Recorder* r : {&a, &b, &c})
        r->watch(src.get());
    EXPECT_FALSE(src->addObserver(&a));
    EXPECT_FALSE(src->addObserver(src.get()));
    EXPECT_EQ(src->getNumObservers(), 3u);

    src->updateObservers(KvActionObject(&b));
    EXPECT_EQ(order, (Log{"a<-Update:src", "c<-Update:src"}));
    EXPECT_EQ(src->preNotifications, 1);
    src->sendCosmeticUpdate();
    EXPECT_EQ(src->preNotifications, 1) << "cosmetic updates skip the hook";
    EXPECT_EQ(b.log, (Log{"Cosmetic:src"}));

    KvObserverIterator it(src.get());
    std::vector<KvObject*> seen;
    for (it.first(); !it.isDone(); it.next())
        seen.push_back(it.getCurrent());
    EXPECT_EQ(seen, (std::vector<KvObject*>{&a, &b, &c}));
    expectThrows("NULL object for iterator", [] { KvObserverIterator bad(nullptr); });
}

TEST_F(QueueTest, NestedNotificationsAreFifoAndNeverReentrant) {
    KvRefPtr<Counted> x(new Counted("x")), y(new Counted("y"));
    Log order;
    Recorder first("first", &order), second("second", &order), onY("onY", &order);
    first.watch(x.get());
    second.watch(x.get());
    onY.watch(y.get());
    bool processResult = true;
    first.onAction = [&](KvAction*) {
        // Queued behind what x already queued for `second`.
        y->updateObservers();
        processResult = KvActionQueue::process();
        EXPECT_TRUE(KvActionQueue::isProcessing());
    };
    x->updateObservers();
    EXPECT_FALSE(processResult);
    EXPECT_EQ(order, (Log{"first<-Update:x", "second<-Update:x", "onY<-Update:y"}));
}

TEST_F(QueueTest, LocksHoldDeliveriesUntilTheLastRelease) {
    KvRefPtr<Counted> src(new Counted("src"));
    Recorder rec;
    rec.watch(src.get());
    {
        KvActionLock outer;
        EXPECT_TRUE(KvActionQueue::isLocked());
        {
            KvActionLock inner;
            src->updateObservers();
            src->sendCosmeticUpdate();
            EXPECT_FALSE(inner.resume()) << "not the last lock";
            EXPECT_FALSE(inner.resume()) << "not suspended any more";
        }
        EXPECT_TRUE(rec.log.empty());
        EXPECT_TRUE(KvActionQueue::isProcessing());
    }
    EXPECT_EQ(rec.log, (Log{"Update:src", "Cosmetic:src"}));
    KvActionLock lock;
    lock.suspend();  // already suspended: counts once
    EXPECT_TRUE(lock.resume());
    EXPECT_FALSE(KvActionQueue::isLocked());
}

TEST_F(QueueTest, DyingObjectPurgesObserversBeforeItIsDeleted) {
    Log order;
    Recorder rec("rec", &order);
    auto made = [&] {
        Counted* c = new Counted("src");
        c->onDelete = [&] { order.push_back("deleted"); };
        rec.watch(c);
        return c;
    };
    Counted* raw = made();
    KvRefPtr<Counted> src(raw);
    {
        KvActionLock lock;
        src->updateObservers();
        src = nullptr;  // the pending update still holds the object
        EXPECT_FALSE(raw->isDying());
    }
    EXPECT_EQ(order, (Log{"rec<-Update:src", "rec<-Purge:src", "deleted"}));

    order.clear();
    src = raw = made();
    {
        KvActionLock lock;
        src = nullptr;  // nothing pending: destroy() now, deletion waits
        EXPECT_TRUE(raw->isDying());
        raw->updateObservers();  // dying: no hook, nothing queued
        raw->destroy();          // second destroy: nothing
        EXPECT_EQ(raw->preNotifications, 0);
        EXPECT_EQ(raw->preDestroys, 1);
        EXPECT_EQ(Census<Counted>::live(), 1);
    }
    EXPECT_EQ(order, (Log{"rec<-Purge:src", "deleted"}));

    // With no observers there is nothing to purge, but it is still deleted.
    KvRefPtr<Counted> lonely(new Counted);
    lonely = nullptr;
    EXPECT_EQ(Census<Counted>::live(), 0);
}

TEST_F(QueueTest, ObjectDeletedByItsOwnNotification) {
    // The only owner of `src` lets go while handling src's update: the
    // remaining deliveries of that update still reach everyone, then the
    // purge, and only then the object goes.
    Counted* raw = new Counted("src");
    KvRefPtr<Counted> owner(raw);
    Log order;
    Recorder dropper("dropper", &order), later("later", &order);
    dropper.watch(raw);
    later.watch(raw);
    raw->onDelete = [&] { order.push_back("deleted"); };
    dropper.onAction = [&](KvAction* a) {
        if (dynamic_cast<KvUpdateAction*>(a)) owner = nullptr;
    };
    raw->updateObservers();
    EXPECT_EQ(order,
              (Log{"dropper<-Update:src", "later<-Update:src", "dropper<-Purge:src", "later<-Purge:src", "deleted"}));
}

TEST_F(QueueTest, ObserverThatRemovesItselfOrAnotherOrThrowsDuringDelivery) {
    KvRefPtr<Counted> src(new Counted("src"));
    Recorder self("self"), victim("victim"), after("after");
    for (Recorder* r : {&self, &victim, &after})
        r->watch(src.get());
    self.onAction = [&](KvAction*) {
        self.unwatch(src.get());
        victim.unwatch(src.get());
    };
    src->updateObservers();
    src->updateObservers();
    // Removal after queueing does not cancel the delivery already queued.
    EXPECT_EQ(self.log.size(), 1u);
    EXPECT_EQ(victim.log.size(), 1u);
    EXPECT_EQ(after.log.size(), 2u);

    // A throwing handler does not stop the deliveries after it.
    Recorder thrower("thrower");
    thrower.onAction = [](KvAction*) { throw KvExcept("boom"); };
    after.unwatch(src.get());
    thrower.watch(src.get());
    after.watch(src.get());
    after.take();
    src->updateObservers();
    src->updateObservers();
    EXPECT_EQ(thrower.log.size(), 2u);
    EXPECT_EQ(after.log.size(), 2u);
}

TEST_F(QueueTest, DestroyedObserverIsSkippedButItsSuccessorAtTheSameAddressIsNot) {
    KvRefPtr<Counted> src(new Counted("src"));
    Recorder witness;
    witness.watch(src.get());
    KvActionLock lock;
    auto* first = new SameAddress;
    first->watch(src.get());
    src->updateObservers();  // queued for `first`
    delete first;            // marker queued
    auto* second = new SameAddress;
    ASSERT_EQ(static_cast<void*>(second), SameAddress::slot());
    second->watch(src.get());
    src->updateObservers();  // queued for `second`, behind the marker
    lock.resume();
    EXPECT_EQ(second->log.size(), 1u) << "only its own delivery";
    EXPECT_EQ(witness.log.size(), 2u);
    delete second;
}

TEST_F(QueueTest, DelayedFunctionsRunInQueueOrder) {
    int runs = 0;
    {
        KvRefPtr<Fn> f(new Fn([&] { ++runs; }));
        KvActionQueue::run(f.get());
        EXPECT_EQ(runs, 1) << "run() executes before returning when idle";
        KvActionLock lock;
        KvActionQueue::add(f.get());
        KvActionQueue::add(f.get());
        KvActionQueue::run(f.get());
        EXPECT_EQ(runs, 1);
        lock.resume();
        EXPECT_EQ(runs, 4);
    }
    EXPECT_EQ(Fn::live, 0) << "the queue released the function";

    // A delayed function queued by a handler runs after the deliveries that
    // were queued before it.
    KvRefPtr<Counted> src(new Counted("src"));
    Log order;
    Recorder a("a", &order), b("b", &order);
    a.watch(src.get());
    b.watch(src.get());
    a.onAction = [&](KvAction*) { KvActionQueue::add(new Fn([&] { order.push_back("fn"); })); };
    src->updateObservers();
    EXPECT_EQ(order, (Log{"a<-Update:src", "b<-Update:src", "fn"}));
    EXPECT_EQ(Fn::live, 0);
}

TEST_F(QueueTest, DeleteLaterWaitsForNormalDeliveries) {
    struct Plain : Quiet<KvObject> {
        ~Plain() override { *flag = true; }
        bool* flag = nullptr;
    };
    bool gone = false;
    auto* plain = new Plain;
    plain->flag = &gone;
    KvActionQueue::deleteLater(plain);
    EXPECT_FALSE(gone) << "deleteLater does not process";
    KvActionQueue::process();
    EXPECT_TRUE(gone);

    // A referenced observed object goes whatever its count, after the
    // normal deliveries queued before and after it.
    Counted* held = new Counted("held");
    held->ref();
    Recorder rec;
    held->addObserver(&rec);
    {
        KvActionLock lock;
        KvActionQueue::deleteLater(held);
        held->updateObservers();
    }
    EXPECT_EQ(rec.log, (Log{"Update:held"}));
    EXPECT_EQ(Census<Counted>::live(), 0);
    KvActionQueue::deleteLater(nullptr);
}

TEST_F(QueueTest, DeleteLaterAgainOrOnADyingObjectDeletesOnce) {
    Log order;
    Recorder rec("rec", &order);
    Counted* twice = new Counted("twice");
    Counted* dying = new Counted("dying");
    dying->onDelete = [&] { order.push_back("deleted"); };
    rec.watch(dying);
    {
        KvActionLock lock;
        KvActionQueue::deleteLater(twice);
        KvActionQueue::deleteLater(twice);
        dying->ref();
        dying->unref();  // destroy(): purge and delete queued
        KvActionQueue::deleteLater(dying);
    }
    EXPECT_EQ(order, (Log{"rec<-Purge:dying", "deleted"}));
    EXPECT_EQ(Census<Counted>::deleted, 2);

    // An object that is not observed, asked twice, or deleted by its owner
    // before the queue gets to it.
    struct Plain : Quiet<KvObject> {
        ~Plain() override { ++*deletes; }
        int* deletes = nullptr;
    };
    int deletes = 0;
    auto* plain = new Plain;
    plain->deletes = &deletes;
    KvActionQueue::deleteLater(plain);
    KvActionQueue::deleteLater(plain);
    KvActionQueue::process();
    EXPECT_EQ(deletes, 1);
    plain = new Plain;
    plain->deletes = &deletes;
    KvActionQueue::deleteLater(plain);
    delete plain;
    KvActionQueue::process();
    EXPECT_EQ(deletes, 2);

    // The marker skips only the delete entries queued before it: a new object
    // at the same address is delivered to and deleted normally, and a doom
    // marker hides no normal delivery to it.
    Doomed::deletes = 0;
    KvRefPtr<Counted> src(new Counted("src"));
    Log heard;
    Counted* trigger = new Counted("trigger");
    trigger->onDelete = [&] {
        auto* b = new SlotRec("b", &heard);
        b->watch(src.get());
        src->updateObservers();
        KvActionQueue::deleteLater(b);
    };
    {
        KvActionLock lock;
        auto* a = new SlotRec("a", &heard);
        KvActionQueue::deleteLater(a);
        KvActionQueue::deleteLater(a);
        KvActionQueue::deleteLater(trigger);
    }
    EXPECT_EQ(heard, (Log{"b<-Update:src"}));
    EXPECT_EQ(Doomed::deletes, 2);

    // Registered sub-queues hear of every deletion.
    Sub* sub = new Sub;
    KvActionQueue::addSubQueue(sub);
    Counted* gone = new Counted;
    KvActionQueue::deleteLater(gone);
    KvActionQueue::process();
    EXPECT_EQ(sub->cleared, (std::vector<KvObject*>{gone}));
    KvActionQueue::removeSubQueue(sub);
}

TEST_F(QueueTest, ADeletionThatReleasesAnotherObjectPurgesItBeforeDeletingIt) {
    // `a` holds the last reference to `b`: a's deletion (doom phase) makes b
    // dying, and b's purge still reaches its observers before b goes.
    Log order;
    Recorder rec("rec", &order);
    Counted* a = new Counted("a");
    KvRefPtr<Counted> bHeldByA(new Counted("b"));
    rec.watch(a);
    rec.watch(bHeldByA.get());
    a->onDelete = [&] {
        order.push_back("deleted a");
        bHeldByA = nullptr;
    };
    bHeldByA->onDelete = [&] { order.push_back("deleted b"); };
    KvRefPtr<Counted> holder(a);
    holder = nullptr;
    EXPECT_EQ(order, (Log{"rec<-Purge:a", "deleted a", "rec<-Purge:b", "deleted b"}));
    EXPECT_EQ(Census<Counted>::deleted, 2);
}

TEST_F(QueueTest, SubQueuesFlushAfterTheListsAndDieWhenRemoved) {
    Sub* sub = new Sub;
    auto deleted = sub->deleted;
    KvActionQueue::addSubQueue(sub);
    KvActionQueue::addSubQueue(sub);  // once only
    KvActionQueue::process();
    EXPECT_EQ(sub->flushes, 1);

    // Pending work makes the run go round again.
    sub->pending = 1;
    sub->f = [&] {
        if (sub->flushes == 3) sub->pending = 0;
    };
    KvActionQueue::process();
    EXPECT_EQ(sub->flushes, 3);

    // Removed during a run: doomed, not flushed again, deleted by that run.
    sub->f = [&] { KvActionQueue::removeSubQueue(sub); };
    KvActionQueue::process();
    EXPECT_TRUE(*deleted);

    // Removed while idle: deleted at once.
    Sub* idle = new Sub;
    deleted = idle->deleted;
    KvActionQueue::addSubQueue(idle);
    KvActionQueue::removeSubQueue(idle);
    EXPECT_TRUE(*deleted);

    // A throwing flush ends the run; the queue works again afterwards.
    Sub* bad = new Sub([] { throw KvExcept("flush failed"); });
    deleted = bad->deleted;
    KvActionQueue::addSubQueue(bad);
    EXPECT_TRUE(KvActionQueue::process());
    EXPECT_FALSE(KvActionQueue::isProcessing());
    bad->f = nullptr;
    KvActionQueue::removeSubQueue(bad);
    EXPECT_TRUE(*deleted);
}
