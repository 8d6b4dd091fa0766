#include <KvExcept.h>
#include <KvObject.h>
#include <KvObjectCounter.h>
#include <KvObjectCounterIterator.h>
#include <KvObjectList.h>
#include <KvObjectListIterator.h>
#include <KvObjectUniqueList.h>
#include <KvTestObjects.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {
using Probe = kvtest::Quiet<KvObject>;

std::vector<KvObject*> contents(const KvObjectList& list) {
    std::vector<KvObject*> out;
    std::unique_ptr<KvObjectListIterator> it(list.getIterator());
    for (it->first(); !it->isDone(); it->next())
        out.push_back(it->currentItem());
    return out;
}
}  // namespace

TEST(KvObjectList, DuplicatesAndIteratorRemoval) {
    Probe a, b, c;
    KvObjectList plain;
    EXPECT_TRUE(plain.append(&a));
    EXPECT_TRUE(plain.append(&a));
    plain.append(&b);
    plain.append(&c);
    EXPECT_EQ(plain.getLength(), 4u);
    plain.removeFirst(&a);
    EXPECT_EQ(contents(plain), (std::vector<KvObject*>{&a, &b, &c}));

    KvObjectListIterator it(&plain);
    it.first();
    it.next();  // at b
    plain.remove(it);
    EXPECT_EQ(it.currentItem(), &c);
    plain.remove(it);
    EXPECT_TRUE(it.isDone());
    plain.remove(it);  // finished iterator: nothing
    EXPECT_EQ(contents(plain), (std::vector<KvObject*>{&a}));

    KvObjectUniqueList unique;
    EXPECT_TRUE(unique.append(&a));
    EXPECT_FALSE(unique.append(&a));
    unique.append(plain);  // a again: skipped
    EXPECT_EQ(unique.getLength(), 1u);
    unique.append(unique);  // self-append keeps it unique
    EXPECT_EQ(unique.getLength(), 1u);
}

TEST(KvObjectUniqueList, IndexBuiltAtHundredDroppedBelowFifty) {
    std::vector<Probe> objs(120);
    KvObjectUniqueList list;
    for (int i = 0; i < 99; ++i)
        list.append(&objs[i]);
    EXPECT_FALSE(list.hasIndex());
    list.append(&objs[99]);
    EXPECT_TRUE(list.hasIndex());
    EXPECT_TRUE(list.includes(&objs[42]));
    EXPECT_FALSE(list.includes(&objs[110]));
    EXPECT_FALSE(list.append(&objs[5]));
    for (int i = 0; i < 50; ++i)
        list.remove(&objs[i]);
    EXPECT_EQ(list.getLength(), 50u);
    EXPECT_TRUE(list.hasIndex());
    list.removeFirst(&objs[50]);
    EXPECT_FALSE(list.hasIndex());
    EXPECT_FALSE(list.includes(&objs[50]));
    EXPECT_TRUE(list.includes(&objs[51]));

    // Removing through an iterator keeps the index in step with the list.
    for (int i = 0; i < 120; ++i)
        list.append(&objs[i]);
    ASSERT_TRUE(list.hasIndex());
    KvObjectListIterator it(&list);
    it.first();
    KvObject* first = it.currentItem();
    list.remove(it);
    EXPECT_FALSE(list.includes(first));
    EXPECT_TRUE(list.append(first));

    // Appending a list that brings the total to 100 builds the index first.
    KvObjectUniqueList small, other;
    for (int i = 0; i < 60; ++i)
        small.append(&objs[i]);
    for (int i = 40; i < 100; ++i)
        other.append(&objs[i]);
    small.append(other);
    EXPECT_EQ(small.getLength(), 100u);
    EXPECT_TRUE(small.hasIndex());
    list.clear();
    EXPECT_FALSE(list.hasIndex());
    EXPECT_EQ(list.getLength(), 0u);
}

TEST(KvObjectCounter, CountsOnlyItsTypeButRemovesAny) {
    kvtest::expectThrows("KvObjectCounter: bad type id", [] { KvObjectCounter bad{KvTypeId()}; });
    Probe a, b;
    KvObjectCounter counter;
    EXPECT_EQ(counter.inc(&a), 1u);
    EXPECT_EQ(counter.inc(&a), 2u);
    EXPECT_TRUE(counter.add(&b));
    EXPECT_FALSE(counter.add(&b));
    EXPECT_EQ(counter.getNumEntries(), 2u);
    EXPECT_EQ(counter.dec(&a), 1u);
    EXPECT_EQ(counter.dec(&a), 0u);
    EXPECT_EQ(counter.getNumEntries(), 1u);
    EXPECT_EQ(counter.dec(&a), 0u);

    size_t seen = 0;
    for (auto it = counter.getIterator(); !it.isDone(); it.next()) {
        const KvObject* obj = nullptr;
        EXPECT_EQ(it.getCurrent(obj), 1u);
        EXPECT_EQ(obj, &b);
        ++seen;
    }
    EXPECT_EQ(seen, 1u);

    KvTypeId other("CounterOtherType", KvObject::getClassTypeId());
    KvObjectCounter typed(other);
    EXPECT_EQ(typed.inc(&a), 0u);
    EXPECT_FALSE(typed.add(&a));
    EXPECT_EQ(typed.getCount(&a), 0u);
    KvObjectCounter copy(counter);
    EXPECT_EQ(copy.getCount(&b), 1u);
    EXPECT_TRUE(copy.remove(&b));
    EXPECT_FALSE(copy.remove(&b));
    EXPECT_EQ(counter.getCount(&b), 1u);
}
