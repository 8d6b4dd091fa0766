#include <KvActionLock.h>
#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvActionSubQueue.h>
#include <KvExcept.h>
#include <KvRefPtr.h>
#include <KvTestObjects.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace kvtest;

// An object with a single observer is delivered to without an entry when the
// queue is idle; these cases check that it keeps every rule of a queued
// delivery. Actions reuse freed memory; these check that only memory of a
// deleted action is reused.

namespace {

using SingleObserverTest = QueueFixture;

struct FlushLog : KvActionSubQueue {
    explicit FlushLog(Log* log) : log(log) {}
    void flush() override { log->push_back("flush"); }
    int hasPending() override { return 0; }
    Log* log;
};

}  // namespace

TEST_F(SingleObserverTest, KeepsTheOrderOfAQueuedDelivery) {
    KvRefPtr<Counted> a(new Counted("a")), b(new Counted("b"));
    Log order;
    Recorder ra("ra", &order), rb("rb", &order);
    ra.watch(a.get());
    rb.watch(b.get());
    auto* sub = new FlushLog(&order);
    KvActionQueue::addSubQueue(sub);

    // A notification from a handler waits for the end of the delivery, and
    // sub-queues flush once both are done.
    ra.onAction = [&](KvAction* action) {
        EXPECT_TRUE(KvActionQueue::isProcessing());
        EXPECT_EQ(action->getRefCount(), 1u) << "held by the delivery only";
        b->updateObservers();
        order.push_back("ra done");
    };
    a->updateObservers();
    EXPECT_EQ(order, (Log{"ra<-Update:a", "ra done", "rb<-Update:b", "flush"}));
    order.clear();

    // The originator is not told, and nothing runs.
    a->updateObservers(&ra);
    EXPECT_TRUE(order.empty());

    // Under a lock it is queued like any other and waits for the release.
    ra.onAction = nullptr;
    {
        KvActionLock lock;
        a->updateObservers();
        b->updateObservers();
        EXPECT_EQ(KvActionQueue::getNumPending(), 2u);
        EXPECT_TRUE(order.empty());
    }
    EXPECT_EQ(order, (Log{"ra<-Update:a", "rb<-Update:b", "flush"}));
    order.clear();

    // A throwing observer loses its delivery only; the queue is free again.
    ra.onAction = [](KvAction*) { throw KvExcept("boom"); };
    a->updateObservers();
    EXPECT_FALSE(KvActionQueue::isProcessing());
    ra.onAction = nullptr;
    a->updateObservers();
    EXPECT_EQ(order, (Log{"ra<-Update:a", "flush", "ra<-Update:a", "flush"}));
    KvActionQueue::removeSubQueue(sub);
}

TEST_F(SingleObserverTest, SourceReleasedByItsDeliveryIsPurgedAndDeletedInTheSameCall) {
    Counted* raw = new Counted("src");
    KvRefPtr<Counted> owner(raw);
    Log order;
    Recorder rec("rec", &order);
    rec.watch(raw);
    raw->onDelete = [&] { order.push_back("deleted"); };
    rec.onAction = [&](KvAction* a) {
        if (dynamic_cast<KvUpdateAction*>(a)) owner = nullptr;  // the action holds the last reference
    };
    raw->updateObservers();
    EXPECT_EQ(order, (Log{"rec<-Update:src", "rec<-Purge:src", "deleted"}));
    EXPECT_EQ(KvActionQueue::getNumPending(), 0u);
}

TEST_F(SingleObserverTest, KeptActionsAreNotReusedUntilLetGo) {
    KvRefPtr<Counted> src(new Counted("src"));
    Recorder rec;
    rec.watch(src.get());
    std::vector<KvActionRef> kept;
    rec.onAction = [&](KvAction* a) {
        if (kept.size() < 40) kept.emplace_back(a);
    };
    // Many actions made and freed around the kept ones; more alive at once
    // than freed memory is kept for.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 100; ++i)
            src->updateObservers();
        KvActionLock lock;
        for (int i = 0; i < 1000; ++i)
            src->sendCosmeticUpdate();
    }
    ASSERT_EQ(kept.size(), 40u);
    std::vector<KvAction*> seen;
    for (const KvActionRef& a : kept) {
        EXPECT_EQ(a->getRefCount(), 1u);
        EXPECT_EQ(a->getSource(), src.get());
        EXPECT_EQ(a->getClassName(), "UpdateAction");
        EXPECT_EQ(std::count(seen.begin(), seen.end(), a.get()), 0) << "one address given out twice";
        seen.push_back(a.get());
    }
    EXPECT_EQ(rec.log.size(), 3u * 1100u);
    EXPECT_EQ(src->getRefCount(), 41) << "each kept action holds its source";
    kept.clear();
    EXPECT_EQ(src->getRefCount(), 1);
}
