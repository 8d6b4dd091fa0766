#include <KvActionLock.h>
#include <KvActionQueue.h>
#include <KvRefPtr.h>
#include <KvTestObjects.h>

#include <gtest/gtest.h>

#include <string>

using namespace kvtest;

using KvActionQueuePool = QueueFixture;

// Bursts larger than a block of entries, so that blocks fill, fall empty, are
// given back or kept as the spare, and are handed out again.
TEST_F(KvActionQueuePool, BurstsAcrossManyBlocksDeliverEverythingInOrder) {
    KvRefPtr<Counted> a(new Counted("a")), b(new Counted("b")), c(new Counted("c"));
    Counted* sources[] = {a.get(), b.get(), c.get()};
    Recorder rec;
    for (Counted* s : sources)
        rec.watch(s);
    for (int burst = 0; burst < 2; ++burst) {
        constexpr int kDeliveries = 120000;
        Log expected;
        expected.reserve(kDeliveries);
        {
            KvActionLock lock;
            for (int i = 0; i < kDeliveries; ++i) {
                sources[i % 3]->updateObservers();
                expected.push_back("Update:" + std::string(1, static_cast<char>('a' + i % 3)));
            }
            EXPECT_EQ(KvActionQueue::getNumPending(), static_cast<size_t>(kDeliveries));
        }
        EXPECT_EQ(KvActionQueue::getNumPending(), 0u);
        EXPECT_TRUE(rec.take() == expected) << "burst " << burst;
    }
}
