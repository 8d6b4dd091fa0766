#include <KvTestUndo.h>

#include <KvUndoIntDatum.h>
#include <KvUndoIntDatumState.h>
#include <KvUndoStatePool.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

using namespace kvtest;

namespace {

class KvUndoStatePoolTest : public UndoTest {};

struct Taken {
    size_t size;
    unsigned char* p;
    unsigned char fill;
};

void take(std::vector<Taken>& all, size_t size, unsigned char fill) {
    auto* p = static_cast<unsigned char*>(KvUndoStatePool::allocate(size));
    std::memset(p, fill, size);
    all.push_back({size, p, fill});
}

bool intact(const Taken& t) {
    for (size_t i = 0; i < t.size; ++i)
        if (t.p[i] != t.fill) return false;
    return true;
}

}  // namespace

TEST_F(KvUndoStatePoolTest, SlotsNeverOverlapAndFreedOnesAreReused) {
    // Sizes across several classes, one past the pooled range; enough of each
    // to span blocks. An odd count, so that every other one freed below
    // leaves each size half held.
    const size_t sizes[] = {8, 24, 40, 128, 129};
    std::vector<Taken> all;
    for (int round = 0; round < 5000; ++round)
        for (size_t s : sizes)
            take(all, s, static_cast<unsigned char>(all.size()));
    // Free every other one, then take as many again: the freed slots come back
    // and nobody writes over a slot still held.
    std::vector<Taken> kept;
    for (size_t i = 0; i < all.size(); ++i) {
        if (i % 2)
            KvUndoStatePool::release(all[i].p, all[i].size);
        else
            kept.push_back(all[i]);
    }
    size_t blocks24 = KvUndoStatePool::blocksHeld(24);
    for (int round = 0; round < 2500; ++round)
        for (size_t s : sizes)
            take(kept, s, static_cast<unsigned char>(0x80 ^ kept.size()));
    EXPECT_EQ(KvUndoStatePool::blocksHeld(24), blocks24);
    for (const Taken& t : kept)
        ASSERT_TRUE(intact(t)) << "size " << t.size;
    for (const Taken& t : kept)
        KvUndoStatePool::release(t.p, t.size);
    for (size_t s : sizes)
        EXPECT_LE(KvUndoStatePool::blocksHeld(s), 1u) << "size " << s;
}

TEST_F(KvUndoStatePoolTest, AHistoryReusesItsMemoryAndGivesItBackWhenCleared) {
    const size_t stateSize = sizeof(KvUndoIntDatumState);
    const size_t n = 6000;
    KvUndo::setMaxSteps(0);
    std::vector<std::unique_ptr<KvUndoIntDatum>> values;
    for (size_t i = 0; i < n; ++i)
        values.emplace_back(new KvUndoIntDatum(0));
    KvUndo::setMaxSteps(3);
    size_t atLimit = 0;
    for (int step = 1; step <= 12; ++step) {
        for (auto& v : values)
            v->set(step);
        KvUndo::mark("step");
        if (step == 4) atLimit = KvUndoStatePool::blocksHeld(stateSize);
    }
    // Four states an object (the baseline and three steps): a steady history
    // needs no more blocks than when it first reached its limit.
    EXPECT_GT(atLimit, 0u);
    EXPECT_LE(KvUndoStatePool::blocksHeld(stateSize), atLimit);
    EXPECT_TRUE(KvUndo::undo());
    EXPECT_EQ(values.front()->get(), 11);

    KvUndo::setMaxSteps(0);
    EXPECT_LE(KvUndoStatePool::blocksHeld(stateSize), 1u);
    values.clear();
}
