#include <KvTSObjectTrackingArray1.h>
#include <KvTSObjectTrackingArray1Handler.h>
#include <KvTestTSObjects.h>

#include <gtest/gtest.h>

#include <string>

using namespace kvtest;

namespace {

using TrackingArrayTest = TSTest;
using Array = KvTSObjectTrackingArray1;

std::string names(const Array& a) {
    std::string out;
    for (size_t i = 0; i < a.size(); ++i)
        out += (i ? " " : "") + nameOf(a.get(i));
    return out;
}

struct Handler : KvTSObjectTrackingArray1Handler {
    const Array* array = nullptr;
    int calls = 0;
    void arrayChanged(KvActionObject cause) override {
        EXPECT_TRUE(cause.isEqual(array));
        ++calls;
    }
};

// Objects named a, b, ... for one test.
struct Objects {
    explicit Objects(std::initializer_list<const char*> names) {
        for (const char* n : names)
            held.push_back(new Entity(n));
    }
    Entity* operator[](size_t i) const { return static_cast<Entity*>(held[i]); }
    KvTSObjectArray1 held;
};

// Three arrays holding `entries`, one per mode (in place, unique, remove) of
// the event under test, the other modes left as they are; the handler
// watches the first.
struct ByMode {
    enum Event { Replace, Split, Join };
    ByMode(Event event, std::initializer_list<Entity*> entries) {
        for (int mode = 0; mode < 3; ++mode) {
            auto pick = [&](Event e) { return e == event ? mode : 1; };
            arrays[mode].setPreserveEntries(Array::ReplaceMode(pick(Replace)), Array::SplitMode(pick(Split)),
                                            Array::JoinMode(pick(Join)));
            for (Entity* e : entries)
                arrays[mode].add(e);
        }
        handler.array = &arrays[0];
        arrays[0].setHandler(&handler);
    }
    Array arrays[3];
    Array &inPlace = arrays[0], &unique = arrays[1], &removing = arrays[2];
    Handler handler;
};

}  // namespace

TEST_F(TrackingArrayTest, ObservesAnObjectWhileAnyEntryHoldsIt) {
    Objects o{"a", "b", "c"};
    Entity *a = o[0], *b = o[1], *c = o[2];
    Array arr;
    arr.add(a);
    arr.add(nullptr);
    EXPECT_FALSE(arr.addUnique(nullptr));
    EXPECT_FALSE(arr.addUnique(a));
    EXPECT_TRUE(arr.addUnique(b));
    arr.add(a);
    EXPECT_EQ(names(arr), "a null b a");
    EXPECT_EQ(arr.find(a), 0);
    EXPECT_EQ(arr.find(c), -1);
    EXPECT_EQ(a->getRefCount(), 3) << "one reference per entry, besides the test's";

    arr.remove(0LL);
    EXPECT_TRUE(a->isObserver(&arr)) << "the second entry still holds it";
    EXPECT_EQ(arr.find(a), 2);
    arr.set(2, c);
    EXPECT_FALSE(a->isObserver(&arr));
    EXPECT_TRUE(c->isObserver(&arr));
    arr.set(0, c);
    arr.set(0, nullptr);
    EXPECT_TRUE(c->isObserver(&arr)) << "entry 2 holds it";
    arr.pop_back();
    EXPECT_FALSE(c->isObserver(&arr));
    EXPECT_EQ(names(arr), "null b");
    EXPECT_EQ(arr.back(), b);

    expectThrows("KvTSObjectTrackingArray1::remove: index out of range", [&] { arr.remove(2LL); });
    expectThrows("KvTSObjectTrackingArray1::remove: index out of range", [&] { arr.remove(-1LL); });
    arr.clear();
    EXPECT_FALSE(b->isObserver(&arr));
    expectThrows("KvTSObjectTrackingArray1::pop_back: array is empty", [&] { arr.pop_back(); });
    expectThrows("KvTSObjectTrackingArray1::back: array is empty", [&] { arr.back(); });
    EXPECT_EQ(a->getRefCount(), 1);
}

TEST_F(TrackingArrayTest, CopiesTakeTheEntriesAndOnlyAssignmentTheModes) {
    // Held by the arrays alone, so that unlink() may delete them.
    Entity* o[] = {new Entity("a"), new Entity("b")};
    Array arr;
    arr.setPreserveEntries(Array::ReplaceInPlace, Array::SplitInPlace, Array::JoinInPlace);
    Handler handler;
    handler.array = &arr;
    arr.setHandler(&handler);
    arr.add(o[0]);
    arr.add(o[1]);
    arr.add(o[0]);

    Array copy(arr);
    EXPECT_EQ(names(copy), "a b a");
    EXPECT_EQ(copy.getReplaceMode(), Array::ReplaceUnique);
    EXPECT_EQ(copy.getJoinMode(), Array::JoinAppendUnique);
    EXPECT_TRUE(o[0]->isObserver(&copy));

    Array assigned;
    assigned = arr;
    EXPECT_EQ(assigned.getSplitMode(), Array::SplitInPlace);
    // Neither took the handler: it hears of the original's purges alone
    // (one from the copies would fail its check of the cause). A purged
    // object leaves every entry, and goes at once.
    o[1]->unlink();
    EXPECT_EQ(names(arr), "a a");
    EXPECT_EQ(names(copy), "a a");
    EXPECT_EQ(names(assigned), "a a");
    EXPECT_EQ(handler.calls, 1);
    EXPECT_EQ(TSCensus::live(), 1);
    o[0]->unlink();
    EXPECT_TRUE(arr.empty() && copy.empty() && assigned.empty());
    EXPECT_EQ(handler.calls, 2);
    EXPECT_EQ(TSCensus::live(), 0);

    // From a plain array: the entries, and the modes stay.
    Objects p{"p"};
    assigned = p.held;
    EXPECT_EQ(names(assigned), "p");
    EXPECT_EQ(assigned.getSplitMode(), Array::SplitInPlace);
}

TEST_F(TrackingArrayTest, FollowsReplaceInEachMode) {
    Objects o{"a", "b", "x", "r"};
    Entity *a = o[0], *b = o[1], *x = o[2], *r = o[3];
    ByMode by(ByMode::Replace, {a, x, a, b});

    a->replace(r, nullptr);
    EXPECT_EQ(names(by.inPlace), "r x r b");
    EXPECT_EQ(names(by.unique), "r x r b");
    EXPECT_EQ(names(by.removing), "x b");
    EXPECT_FALSE(a->isObserver(&by.unique));
    EXPECT_TRUE(r->isObserver(&by.unique));
    EXPECT_FALSE(r->isObserver(&by.removing));
    EXPECT_EQ(by.handler.calls, 1);

    // Replaced by an object already there: only the unique mode drops.
    b->replace(r, nullptr);
    EXPECT_EQ(names(by.unique), "r x r");
    EXPECT_EQ(names(by.inPlace), "r x r r");
    EXPECT_EQ(by.unique.find(r), 0);

    // A replace by nothing is not followed: the entries stay, observed.
    x->replace(nullptr, nullptr);
    EXPECT_EQ(names(by.inPlace), "r x r r");
    EXPECT_TRUE(x->isObserver(&by.inPlace));
    EXPECT_EQ(by.handler.calls, 2);

    // One about an object the array no longer holds is a stray.
    by.inPlace.remove(x);
    x->addObserver(&by.inPlace);
    x->replace(a, nullptr);
    EXPECT_FALSE(x->isObserver(&by.inPlace));
    EXPECT_EQ(by.handler.calls, 2);
}

TEST_F(TrackingArrayTest, FollowsSplitInEachMode) {
    Objects o{"x", "a", "y", "p", "q"};
    Entity *x = o[0], *a = o[1], *y = o[2], *p = o[3], *q = o[4];
    ByMode by(ByMode::Split, {x, a, y, a});
    by.unique.add(q);

    KvRefPtr<Multi> parts(new Multi({p, q}, "pq"));
    a->replaceSplit(parts.get(), nullptr);
    EXPECT_EQ(names(by.inPlace), "x p q y p q");
    EXPECT_EQ(names(by.unique), "x y q p");
    EXPECT_EQ(names(by.removing), "x y");
    EXPECT_TRUE(p->isObserver(&by.inPlace));
    EXPECT_FALSE(a->isObserver(&by.inPlace));
    EXPECT_FALSE(p->isObserver(&by.removing));
    EXPECT_EQ(by.inPlace.find(q), 2) << "the index follows the moved entries";
}

TEST_F(TrackingArrayTest, FollowsJoinInEachMode) {
    Objects o{"a", "x", "b", "j"};
    Entity *a = o[0], *x = o[1], *b = o[2], *j = o[3];
    ByMode by(ByMode::Join, {a, x, b, b});

    KvRefPtr<Multi> joined(new Multi({a, b}, "ab"));
    joined->replaceJoin(j, nullptr);
    EXPECT_EQ(names(by.inPlace), "j x");
    EXPECT_EQ(names(by.unique), "x j");
    EXPECT_EQ(names(by.removing), "x");
    EXPECT_EQ(by.handler.calls, 1) << "b's own join action finds nothing left to do";
    EXPECT_FALSE(b->isObserver(&by.inPlace));
    EXPECT_TRUE(j->isObserver(&by.unique));
    EXPECT_FALSE(j->isObserver(&by.removing));

    // Joined into one of its constituents: that one keeps its place (in
    // place, the other's entries take it as well).
    KvRefPtr<Multi> into(new Multi({x, j}, "xj"));
    into->replaceJoin(j, nullptr);
    EXPECT_EQ(names(by.inPlace), "j j");
    EXPECT_EQ(names(by.unique), "j");
    EXPECT_TRUE(j->isObserver(&by.unique));
}
