#include <KvNameChecker.h>
#include <KvNameTracker.h>
#include <KvNameTrackerState.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

// Names taken outside the tracker; counts its queries.
struct SetChecker : KvNameChecker {
    std::set<std::string> taken;
    mutable int queries = 0;
    bool contains(const KvString& name) const override {
        ++queries;
        return taken.count(name.str()) != 0;
    }
};

std::string gen(KvNameTracker& t, const char* wanted, bool numberNew = false, const KvNameChecker* c = nullptr) {
    return t.generateName(wanted, numberNew, c).str();
}

}  // namespace

TEST(KvNameTracker, SplitTakesOnlyDelimiterAndDigitsAtTheEnd) {
    const struct {
        const char* name;
        char delimiter;
        const char* base;
        size_t number;
    } cases[] = {
        {"wall-12", '-', "wall", 12}, {"a-1", '-', "a", 1},
        {"wall-007", '-', "wall", 7}, {"wall-", '-', "wall-", 0},
        {"wall12", '-', "wall12", 0}, {"-3", '-', "-3", 0},
        {"a-b", '-', "a-b", 0},       {"w-99999999999999999999", '-', "w-99999999999999999999", 0},
        {"wall-3", '_', "wall-3", 0}, {"wall_3", '_', "wall", 3},
    };
    for (const auto& c : cases) {
        KvString base;
        size_t number = 99;
        const bool splits = KvNameTracker::split(c.name, c.delimiter, base, number);
        EXPECT_EQ(splits, std::string(c.base) != c.name) << c.name;
        EXPECT_EQ(base.str(), c.base) << c.name;
        EXPECT_EQ(number, c.number) << c.name;
    }
}

TEST(KvNameTracker, NumbersPerBaseAndForgetsEmptyBases) {
    KvNameTracker t;
    for (const char* expected : {"block", "block-2", "block-3"})
        EXPECT_EQ(gen(t, "block"), expected);  // the bare base counts as 1
    EXPECT_EQ(gen(t, "block12"), "block12");
    EXPECT_EQ(gen(t, "block-2"), "block-4");  // a number already passed
    EXPECT_EQ(gen(t, "block-7"), "block-7");
    EXPECT_EQ(gen(t, "block"), "block-8");
    t.releaseName("block-8");  // the highest: handed out again
    EXPECT_EQ(gen(t, "block"), "block-8");
    t.releaseName("block-3");  // below the highest: not reused
    t.releaseName("block");    // the bare name does not touch the highest
    EXPECT_EQ(gen(t, "block-1"), "block-9");
    for (const char* n : {"block-9", "block-8", "block-7", "block-4", "block-2"})
        t.releaseName(n);
    EXPECT_FALSE(t.hasBaseEntry("block-5"));
    EXPECT_TRUE(t.hasBaseEntry("block12"));
    EXPECT_EQ(gen(t, "block"), "block");

    EXPECT_EQ(gen(t, "rib", true), "rib-1");
    EXPECT_EQ(gen(t, "rib", true), "rib-2");  // numberNew only matters for a new base

    t.forceName("pipe-12");
    t.forceName("pipe-3");
    EXPECT_EQ(t.switchName("pipe-3", "pipe", false, nullptr).str(), "pipe-13");
    t.switchNameForce("pipe-13", "vent");
    EXPECT_EQ(gen(t, "pipe"), "pipe-13");  // 13 came back when it was released
    KvNameTracker copy('_');
    copy = t;  // deep: each goes on alone
    t.clear();
    EXPECT_EQ(gen(copy, "vent"), "vent-1");  // a forced bare name leaves the highest at 0
    EXPECT_EQ(gen(t, "vent"), "vent");
}

TEST(KvNameTracker, CheckerReclaimsFreedNumbersAndAvoidsTakenOnes) {
    SetChecker checker;
    KvNameTracker t;
    for (int i = 0; i < 3; ++i)
        gen(t, "block");
    checker.taken = {"block-1", "block-3"};
    EXPECT_EQ(gen(t, "block-1", false, &checker), "block-4");
    EXPECT_EQ(gen(t, "block-2", false, &checker), "block-2");  // free: given as asked

    // Freed numbers come back only when the checker no longer knows them; the
    // walk down stops at a name it knows, or at the count.
    KvNameTracker f;
    for (int i = 0; i < 5; ++i)
        gen(f, "hull");
    for (const char* n : {"hull-2", "hull-3", "hull-4", "hull-5"})
        f.releaseName(n);
    checker.taken = {"hull", "hull-3"};
    checker.queries = 0;
    EXPECT_EQ(gen(f, "hull", false, &checker), "hull-4");
    EXPECT_EQ(checker.queries, 2);
    checker.taken = {"hull"};
    f.releaseName("hull-4");
    EXPECT_EQ(gen(f, "hull", false, &checker), "hull-2");

    // A wanted number above the highest but taken elsewhere: the next one.
    checker.taken = {"fin-7"};
    gen(f, "fin");
    EXPECT_EQ(gen(f, "fin-7", false, &checker), "fin-8");
    EXPECT_EQ(gen(f, "fin"), "fin-9");
}

TEST(KvNameTracker, StatesSnapshotRestoreAndCompare) {
    KvNameTracker t;
    for (int i = 0; i < 4; ++i)
        gen(t, "block");
    std::unique_ptr<KvNameTrackerState> before(t.getNameTrackerState(nullptr));
    gen(t, "block");
    gen(t, "wall");
    std::unique_ptr<KvNameTrackerState> after(t.getNameTrackerState(nullptr));
    EXPECT_FALSE(before->isSame(after.get()));
    EXPECT_FALSE(before->isSame(nullptr));
    KvNameTrackerState copy(*before);
    EXPECT_TRUE(before->isSame(&copy));

    before->restoreNameTracker(&t);
    EXPECT_FALSE(t.hasBaseEntry("wall"));
    EXPECT_EQ(gen(t, "block"), "block-5");
    EXPECT_EQ(gen(*std::unique_ptr<KvNameTracker>(before->recreateNameTracker()), "block"), "block-5");

    // The delimiter goes back with the state; uneven lists stop at the shortest.
    KvNameTrackerState uneven('_', {"a", "b"}, {1, 1}, {1});
    uneven.restoreNameTracker(&t);
    EXPECT_FALSE(t.hasBaseEntry("b"));
    EXPECT_EQ(gen(t, "a"), "a_2");

    // A snapshot taken with a checker lowers the tracker's own highest.
    KvNameTracker s;
    for (int i = 0; i < 4; ++i)
        gen(s, "fin");
    for (const char* n : {"fin-2", "fin-3", "fin-4"})
        s.releaseName(n);
    SetChecker app;
    std::unique_ptr<KvNameTrackerState> lowered(s.getNameTrackerState(&app));
    EXPECT_EQ(lowered->getHighest()[0], 1u);
    EXPECT_EQ(gen(s, "fin"), "fin-2");
}
