#include <KvNameAttrMgr.h>
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

// "base:count:highest" per entry of a snapshot taken without a checker,
// sorted (the table's order is its own).
std::string dump(const KvNameTracker& t) {
    std::unique_ptr<KvNameTrackerState> s(t.getNameTrackerState(nullptr));
    std::set<std::string> entries;
    for (size_t i = 0; i < s->getBases().size(); ++i)
        entries.insert(s->getBases()[i].str() + ":" + std::to_string(s->getCounts()[i]) + ":" +
                       std::to_string(s->getHighest()[i]) + " ");
    std::string out;
    for (const std::string& e : entries)
        out += e;
    return out;
}

}  // namespace

TEST(KvNameTracker, SplitTakesOnlyDelimiterAndDigitsAtTheEnd) {
    struct Case {
        const char* name;
        char delimiter;
        bool splits;
        const char* base;
        size_t number;
    };
    const Case cases[] = {
        {"wall-12", '-', true, "wall", 12},
        {"a-1", '-', true, "a", 1},
        {"--3", '-', true, "-", 3},
        {"wall-007", '-', true, "wall", 7},
        {"wall-0", '-', true, "wall", 0},
        {"wall-", '-', false, "wall-", 0},
        {"wall12", '-', false, "wall12", 0},
        {"-3", '-', false, "-3", 0},
        {"-12", '-', false, "-12", 0},  // no base character before the delimiter
        {"1234", '-', false, "1234", 0},
        {"a-b", '-', false, "a-b", 0},
        {"wall-99999999999999999999", '-', false, "wall-99999999999999999999", 0},  // does not fit
        {"wall-3", '_', false, "wall-3", 0},
        {"wall_3", '_', true, "wall", 3},
        {"", '-', false, "", 0},
    };
    for (const Case& c : cases) {
        KvString base = "junk";
        size_t number = 99;
        EXPECT_EQ(KvNameTracker::split(c.name, c.delimiter, base, number), c.splits) << c.name;
        EXPECT_EQ(base.str(), c.base) << c.name;
        EXPECT_EQ(number, c.number) << c.name;
    }
    KvString base;
    size_t number = 5;
    EXPECT_FALSE(KvNameTracker::split(KvString(), '-', base, number));
    EXPECT_TRUE(base.isNull());

    KvNameTracker t;
    EXPECT_EQ(t.getDelimiter(), KvNameTracker::StandardDelimiter);
    EXPECT_EQ(t.getBase("inlet-4").str(), "inlet");
}

TEST(KvNameTracker, NumbersPerBaseAndForgetsEmptyBases) {
    KvNameTracker t;
    EXPECT_EQ(gen(t, "block"), "block");
    EXPECT_EQ(gen(t, "block"), "block-2");  // the bare base counts as 1
    EXPECT_EQ(gen(t, "block"), "block-3");
    EXPECT_EQ(gen(t, "wall"), "wall");  // other bases number on their own
    EXPECT_EQ(gen(t, "block12"), "block12");
    EXPECT_EQ(gen(t, "block12"), "block12-2");
    EXPECT_EQ(gen(t, "block-2"), "block-4");  // a wanted number already passed

    EXPECT_EQ(gen(t, "block-7"), "block-7");
    EXPECT_EQ(gen(t, "block"), "block-8");
    t.releaseName("block-8");  // the highest: the next one reuses it
    EXPECT_EQ(gen(t, "block"), "block-8");
    t.releaseName("block-3");  // below the highest: no reuse
    t.releaseName("block");
    EXPECT_EQ(gen(t, "block-1"), "block-9");
    t.releaseName("no-such-name");
    EXPECT_EQ(dump(t).find("no-such"), std::string::npos);

    for (const char* n : {"block-9", "block-8", "block-7", "block-4", "block-2"})
        t.releaseName(n);
    EXPECT_FALSE(t.hasBaseEntry("block"));
    EXPECT_FALSE(t.hasBaseEntry("block-5"));
    EXPECT_TRUE(t.hasBaseEntry("wall-33"));
    EXPECT_EQ(gen(t, "block"), "block");  // forgotten: the bare base again

    KvNameTracker n;
    EXPECT_EQ(gen(n, "block", true), "block-1");
    EXPECT_EQ(gen(n, "block", true), "block-2");  // numberNew only matters for a new base
    EXPECT_EQ(gen(n, "block"), "block-3");
    EXPECT_EQ(gen(n, "wall-5", true), "wall-5");

    KvNameTracker u('_');
    EXPECT_EQ(gen(u, "a-b"), "a-b");
    EXPECT_EQ(gen(u, "a-b"), "a-b_2");
    EXPECT_EQ(gen(u, "a-b_9"), "a-b_9");
    EXPECT_EQ(dump(u), "a-b:3:9 ");
}

TEST(KvNameTracker, ForceReleaseAndSwitch) {
    KvNameTracker t;
    t.forceName("pipe-12");
    t.forceName("pipe");
    t.forceName("pipe-3");  // below the highest: counted only
    EXPECT_EQ(dump(t), "pipe:3:12 ");
    EXPECT_EQ(gen(t, "pipe"), "pipe-13");

    EXPECT_EQ(t.switchName("pipe-13", "duct", false, nullptr).str(), "duct");
    EXPECT_EQ(gen(t, "pipe"), "pipe-13");  // 13 was handed back
    t.switchNameForce("duct", "vent-4");
    EXPECT_FALSE(t.hasBaseEntry("duct"));
    EXPECT_EQ(gen(t, "vent"), "vent-5");

    // Releasing the bare base leaves the highest alone.
    t.releaseName("pipe");
    EXPECT_EQ(gen(t, "pipe-1"), "pipe-14");

    // Copies are deep: each goes on alone.
    KvNameTracker copy('_');
    copy = t;
    EXPECT_EQ(copy.getDelimiter(), '-');
    EXPECT_EQ(gen(copy, "vent"), "vent-6");
    EXPECT_EQ(gen(t, "vent"), "vent-6");
    t.clear();
    EXPECT_FALSE(t.hasBaseEntry("pipe"));
    EXPECT_TRUE(copy.hasBaseEntry("pipe"));
}

TEST(KvNameTracker, CheckerReclaimsFreedNumbersAndAvoidsTakenOnes) {
    SetChecker checker;
    KvNameTracker t;
    for (int i = 0; i < 3; ++i)
        gen(t, "block");  // block, block-2, block-3
    checker.taken = {"block-1", "block-3"};
    EXPECT_EQ(gen(t, "block-1", false, &checker), "block-4");
    EXPECT_EQ(gen(t, "block-2", false, &checker), "block-2");  // free: given as asked

    // Numbers freed below the highest come back only when the checker no
    // longer knows them; the walk stops at a name it knows, or at the count.
    KvNameTracker f;
    for (int i = 0; i < 5; ++i)
        gen(f, "hull");
    for (const char* n : {"hull-2", "hull-3", "hull-4", "hull-5"})
        f.releaseName(n);
    KvNameTracker g = f;
    EXPECT_EQ(gen(g, "hull"), "hull-5");  // without a checker 4 stays the highest
    checker.taken = {"hull", "hull-3"};
    checker.queries = 0;
    EXPECT_EQ(gen(f, "hull", false, &checker), "hull-4");
    EXPECT_EQ(checker.queries, 2);  // hull-4 free, hull-3 known
    checker.taken = {"hull"};
    f.releaseName("hull-4");
    EXPECT_EQ(gen(f, "hull", false, &checker), "hull-2");

    // A wanted number above every one given, but taken elsewhere: the next
    // number, which also becomes the highest.
    KvNameTracker h;
    gen(h, "fin");
    checker.taken = {"fin-7"};
    EXPECT_EQ(gen(h, "fin-7", false, &checker), "fin-8");
    EXPECT_EQ(gen(h, "fin"), "fin-9");
    checker.taken = {};
    EXPECT_EQ(gen(h, "fin-20", false, &checker), "fin-20");
    // A new base without a number never asks the checker for the bare name.
    checker.queries = 0;
    EXPECT_EQ(gen(h, "keel", false, &checker), "keel");
    EXPECT_EQ(checker.queries, 0);
}

TEST(KvNameTracker, StatesSnapshotRestoreAndCompare) {
    KvNameTracker t;
    for (int i = 0; i < 4; ++i)
        gen(t, "block");
    gen(t, "wall-2");
    std::unique_ptr<KvNameTrackerState> before(t.getNameTrackerState(nullptr));
    EXPECT_TRUE(before->isSame(before.get()));
    EXPECT_FALSE(before->isSame(nullptr));

    gen(t, "block");
    t.releaseName("wall-2");
    std::unique_ptr<KvNameTrackerState> after(t.getNameTrackerState(nullptr));
    EXPECT_FALSE(before->isSame(after.get()));

    const std::string beforeText = "block:4:4 wall:1:2 ";
    before->restoreNameTracker(&t);
    EXPECT_EQ(dump(t), beforeText);
    KvNameTrackerState copy(*before);
    EXPECT_TRUE(before->isSame(&copy));
    KvNameTrackerState moreHeld('-', before->getBases(), {99, 99}, before->getHighest());
    EXPECT_FALSE(before->isSame(&moreHeld));
    EXPECT_EQ(gen(t, "block"), "block-5");
    EXPECT_EQ(gen(t, "wall"), "wall-3");
    before->restoreNameTracker(nullptr);

    std::unique_ptr<KvNameTracker> again(before->recreateNameTracker());
    EXPECT_EQ(gen(*again, "block"), "block-5");
    KvNameTracker fromState(*before);
    EXPECT_EQ(gen(fromState, "wall"), "wall-3");

    // Delimiters are part of the state, and go back with it.
    KvNameTrackerState other('_', before->getBases(), before->getCounts(), before->getHighest());
    EXPECT_FALSE(before->isSame(&other));
    other.restoreNameTracker(&t);
    EXPECT_EQ(gen(t, "block"), "block_5");

    // Uneven lists: the shortest ends the refill.
    KvNameTrackerState uneven('-', {"a", "b", "c"}, {1, 1}, {1, 1, 1});
    uneven.restoreNameTracker(&t);
    EXPECT_TRUE(t.hasBaseEntry("b"));
    EXPECT_FALSE(t.hasBaseEntry("c"));
    EXPECT_FALSE(t.hasBaseEntry("block"));

    // A snapshot taken with a checker lowers the tracker's own highest.
    KvNameTracker s;
    for (int i = 0; i < 4; ++i)
        gen(s, "fin");
    s.releaseName("fin-2");
    s.releaseName("fin-3");
    SetChecker app;
    app.taken = {"fin", "fin-4"};
    std::unique_ptr<KvNameTrackerState> lowered(s.getNameTrackerState(&app));
    EXPECT_EQ(lowered->getHighest()[0], 4u);  // fin-4 is still held
    s.releaseName("fin-4");
    app.taken = {"fin"};
    lowered.reset(s.getNameTrackerState(&app));
    EXPECT_EQ(lowered->getCounts()[0], 1u);
    EXPECT_EQ(lowered->getHighest()[0], 1u);
    EXPECT_EQ(gen(s, "fin"), "fin-2");
}

namespace {
struct Mgr : KvNameAttrMgr {
    KvString registerName(KvAttributedObject*, const KvString&, const KvString& wanted) override { return wanted; }
    void restoreName(KvAttributedObject*, const KvString&, const KvString&) override {}
    KvAttributedObject* findEntity(const KvString&) const override { return nullptr; }
    KvNameTracker* getNameTracker(const KvTypeId&) override { return &tracker; }
    const KvNameChecker* getNameChecker(const KvTypeId&) const override { return nullptr; }
    KvNameTracker tracker;
};
}  // namespace

TEST(KvNameAttrMgr, ActiveInstanceIsForgottenWithIt) {
    EXPECT_EQ(KvNameAttrMgr::getActive(), nullptr);
    Mgr kept;
    {
        Mgr first;
        first.setActive();
        EXPECT_EQ(KvNameAttrMgr::getActive(), &first);
        kept.setActive();
    }
    EXPECT_EQ(KvNameAttrMgr::getActive(), &kept);  // another's end does not clear it
    {
        Mgr last;
        last.setActive();
    }
    EXPECT_EQ(KvNameAttrMgr::getActive(), nullptr);
}
