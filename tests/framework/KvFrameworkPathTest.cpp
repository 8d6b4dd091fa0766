#include <KvActionLock.h>
#include <KvFrameworkPath.h>
#include <KvFrameworkPathImpl.h>
#include <KvFrameworkPathQueryActive.h>
#include <KvTestFrameworks.h>

#include <gtest/gtest.h>

#include <sstream>

using namespace kvtest;

namespace {

using Chain = KvFrameworkPath::Chain;

// Writes down what a path tells it.
struct Monitor : KvFrameworkPathMonitor {
    void pathModified(const KvFrameworkPath*, Reason reason) override {
        log.push_back(reason == Modified ? "Modified" : "Cosmetic");
    }
    Log take() { return std::exchange(log, {}); }
    Log log;
};

std::string names(const KvFrameworkPath& p) { return p.toString('/').str(); }

// root > a > b, each placed in its parent by a transform of its own.
class FrameworkPathTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        root = new TestFramework("root");
        a = new TestFramework("a", KvXformMatrix::translation(1, 0, 0));
        b = new TestFramework("b", KvXformMatrix::scaling(2, 2, 2));
        root->add(a.get());
        a->add(b.get());
    }
    void TearDown() override {
        root = a = b = nullptr;
        FrameworkTest::TearDown();
    }
    Chain chain(std::initializer_list<TestFramework*> fs) {
        Chain c;
        for (TestFramework* f : fs)
            c.push_back(f);
        return c;
    }
    KvFrameworkPath pathOf(std::initializer_list<TestFramework*> fs) {
        KvFrameworkPath p;
        p.set(chain(fs));
        return p;
    }

    KvRefPtr<TestFramework> root, a, b;
};

}  // namespace

TEST_F(FrameworkPathTest, PathsAlongOneChainShareOneImpl) {
    KvFrameworkPath p1 = pathOf({root.get(), a.get(), b.get()});
    KvFrameworkPath p2;
    Monitor m;
    p2.addMonitor(&m);
    p2.addMonitor(&m);
    EXPECT_TRUE(p2.append(root.get()));
    EXPECT_FALSE(p2.append(b.get())) << "root does not hold b";
    EXPECT_TRUE(p2.append(a.get()));
    EXPECT_TRUE(p2.append(b.get()));
    EXPECT_EQ(m.take(), (Log{"Modified", "Modified", "Modified"}));
    EXPECT_EQ(p2.getImpl(), p1.getImpl()) << "found, not built";
    EXPECT_EQ(KvFrameworkPath::getNumPaths(b.get()), 1u);
    EXPECT_EQ(KvFrameworkPath::getNumPaths(root.get(), a.get()), 1u);
    EXPECT_EQ(KvFrameworkPath::getNumPaths(root.get(), b.get()), 0u);

    // Editing one of them leaves the others on the old chain.
    KvFrameworkPath copy(p1);
    p2.trimEnd(1);
    EXPECT_EQ(names(p2), "root/a");
    EXPECT_EQ(names(p1), "root/a/b");
    EXPECT_EQ(copy.getImpl(), p1.getImpl());
    EXPECT_NE(p2.getImpl(), p1.getImpl());
    EXPECT_EQ(pathOf({root.get(), a.get()}).getImpl(), p2.getImpl());
    EXPECT_EQ(KvFrameworkPath::getNumPaths(a.get()), 2u);
    EXPECT_TRUE(copy.join(KvFrameworkPath()));
    EXPECT_FALSE(p2.join(p1)) << "a does not hold root";
    EXPECT_EQ(names(p2), "root/a");

    // set() keeps the part of a chain that holds.
    KvFrameworkPath p3;
    EXPECT_FALSE(p3.set(chain({root.get(), b.get()})));
    EXPECT_EQ(names(p3), "root");
    EXPECT_FALSE(p3.set(chain({nullptr, a.get()})));
    EXPECT_TRUE(p3.isEmpty());
    EXPECT_TRUE(p3.set(chain({a.get(), b.get()})));
    EXPECT_EQ(p3.trimStart(1).getRoot(), b.get());

    expectThrows("KvFrameworkPath::getFramework: index out of range", [&] { p1.getFramework(p1.getDepth()); });
    EXPECT_EQ(p1.find(b.get()), 2);
    EXPECT_EQ(p1.find(nullptr), -1);
    EXPECT_TRUE(p1.contains(a.get(), b.get()));
    EXPECT_FALSE(p1.contains(root.get(), b.get()));
    p2.removeMonitor(&m);
}

TEST_F(FrameworkPathTest, TransformsAreCachedAndFollowTheFrameworks) {
    KvFrameworkPath p = pathOf({root.get(), a.get(), b.get()});
    Monitor m;
    p.addMonitor(&m);
    const KvXformMatrix ta = KvXformMatrix::translation(1, 0, 0), sb = KvXformMatrix::scaling(2, 2, 2);
    EXPECT_EQ(p.getTailToRootXform(), ta * sb) << "the root places nothing";
    EXPECT_TRUE((p.getTailToRootXform() * p.getRootToTailXform()).isIdentity());
    p.trimEnd(1);
    EXPECT_EQ(p.getTailToRootXform(), ta);
    EXPECT_TRUE(KvFrameworkPath().getTailToRootXform().isIdentity());

    // A framework that moves changes the transform, not the chain.
    m.take();
    a->setXform(KvXformMatrix::translation(0, 5, 0));
    EXPECT_EQ(m.take(), (Log{"Cosmetic"}));
    EXPECT_EQ(p.getTailToRootXform(), KvXformMatrix::translation(0, 5, 0));

    // From another path's tail into this one's.
    KvFrameworkPath full = pathOf({root.get(), a.get(), b.get()});
    KvFrameworkPath below = pathOf({b.get()});
    KvXformMatrix out;
    EXPECT_EQ(p.getXformFromPath(p, out), KvFrameworkPath::Success);
    EXPECT_TRUE(out.isIdentity());
    EXPECT_EQ(p.getXformFromPath(full, out), KvFrameworkPath::Success);
    EXPECT_EQ(out, p.getRootToTailXform() * full.getTailToRootXform());
    EXPECT_EQ(p.getXformFromPath(below, out), KvFrameworkPath::Success) << "a holds b";
    EXPECT_EQ(out, sb);
    KvRefPtr<TestFramework> stray(new TestFramework("stray"));
    EXPECT_EQ(p.getXformFromPath(pathOf({stray.get()}), out), KvFrameworkPath::Unrelated);
    EXPECT_TRUE(out.isIdentity());
}

TEST_F(FrameworkPathTest, AChainIsCutBeforeAPurgedFrameworkAndAfterAParentItLeft) {
    KvFrameworkPath p = pathOf({root.get(), a.get(), b.get()});
    KvFrameworkPath shorter = pathOf({root.get()});
    Monitor m;
    p.addMonitor(&m);

    // b leaves a: the chain ends at a.
    a->remove(b.get());
    EXPECT_EQ(names(p), "root/a");
    EXPECT_EQ(m.take(), (Log{"Modified"}));

    // a is purged: the chain ends before it (then its parent, which let it
    // go, speaks). A cut chain is not merged with the one already there, yet
    // equals it.
    TestFramework* purged = a.get();
    a = nullptr;  // the fixture's reference
    purged->destroy();
    EXPECT_EQ(names(p), "root");
    EXPECT_EQ(m.take(), (Log{"Modified", "Cosmetic"}));
    EXPECT_NE(p.getImpl(), shorter.getImpl());
    EXPECT_TRUE(p == shorter);
    EXPECT_EQ(Census<TestFramework>::live(), 2) << "root, and b held by the fixture";

    purged = root.get();
    root = nullptr;
    purged->destroy();
    EXPECT_TRUE(p.isEmpty() && shorter.isEmpty());
    EXPECT_EQ(m.take(), (Log{"Modified"}));
}

TEST_F(FrameworkPathTest, EqualityOrderAndText) {
    KvRefPtr<TestFramework> slashed(new TestFramework("x/y"));
    root->add(slashed.get());
    KvFrameworkPath full = pathOf({root.get(), a.get(), b.get()});
    KvFrameworkPath two = pathOf({root.get(), a.get()});
    KvFrameworkPath other = pathOf({root.get(), slashed.get()});
    KvFrameworkPath none;
    KvFrameworkPath emptied = pathOf({root.get()});
    emptied.trimEnd(1);

    EXPECT_TRUE(none == emptied);
    EXPECT_FALSE(two == other);
    EXPECT_TRUE(two < full) << "shorter first";
    EXPECT_TRUE(full < none && !(none < full)) << "without chain last";
    EXPECT_NE(two < other, other < two);
    EXPECT_FALSE(two < two);

    EXPECT_EQ(other.toString('/'), KvString("root/x\\/y"));
    EXPECT_EQ(none.toString('/'), KvString(""));
    std::ostringstream os;
    os << two << none;
    EXPECT_EQ(os.str(), "{ root a }{ }");
    EXPECT_FALSE(KvFrameworkPath::fromString("root/a", *root, two, '/'));
    EXPECT_TRUE(two.isEmpty());
}

TEST_F(FrameworkPathTest, NestingEditsMoveEveryChainAndMergeTwins) {
    // m sits in root and holds a too; c sits in root and holds b.
    KvRefPtr<TestFramework> m(new TestFramework("m")), c(new TestFramework("c"));
    root->add(m.get());
    m->add(a.get());
    root->add(c.get());
    c->add(b.get());
    KvFrameworkPath p = pathOf({root.get(), a.get(), b.get()});
    KvFrameworkPath viaM = pathOf({root.get(), m.get(), a.get(), b.get()});
    Monitor mon;
    p.addMonitor(&mon);

    // a moves under m: the application changes the nesting and the paths
    // under one lock, so that the paths are right when the frameworks speak.
    {
        KvActionLock lock;
        root->remove(a.get());
        KvFrameworkPath::adjustPathsInsert(root.get(), m.get(), a.get());
    }
    EXPECT_EQ(names(p), "root/m/a/b");
    EXPECT_EQ(p.getImpl(), viaM.getImpl()) << "merged with the twin";
    EXPECT_EQ(mon.take(), (Log{"Modified"}));

    // b is flattened into a's place... a holds b, m holds a: collapse m, a.
    KvFrameworkPath::adjustPathsFlatten(Chain{m.get(), a.get()});
    EXPECT_EQ(names(p), "root/m/b");

    // Swap m for c (which holds b) under root.
    KvFrameworkPath::adjustPathsSwap(root.get(), m.get(), c.get());
    EXPECT_EQ(names(p), "root/c/b");

    // Reparent b from c to the end of root/m/a (a holds b).
    KvFrameworkPath::adjustPathsReparent(c.get(), b.get(), pathOf({root.get(), m.get(), a.get()}));
    EXPECT_EQ(names(p), "root/m/a/b");
    EXPECT_EQ(p.getImpl(), viaM.getImpl());
    // ...and to a parent that does not hold it: nothing is left.
    KvFrameworkPath::adjustPathsReparent(a.get(), b.get(), pathOf({root.get(), m.get()}));
    EXPECT_TRUE(p.isEmpty());
    EXPECT_EQ(p.getImpl(), viaM.getImpl()) << "emptied, still shared";

    KvFrameworkPath q = pathOf({m.get(), a.get(), b.get()});
    KvFrameworkPath::adjustPathsRemove(a.get(), b.get());
    EXPECT_EQ(names(q), "m/a");
    EXPECT_EQ(mon.take(), (Log{"Modified", "Modified", "Modified", "Modified"}));
    p.removeMonitor(&mon);
}

TEST_F(FrameworkPathTest, SavedChainsReadBackOrReportWhyNot) {
    const std::string file = tmpPath("paths.kvd");
    KvRefPtr<TestFramework> stray(new TestFramework("stray"));
    {
        KvDataStore store;
        ASSERT_TRUE(store.create(file.c_str()));
        store.writeEntity("Root", root.get());
        store.writeEntity("Stray", stray.get());
        EXPECT_TRUE(pathOf({root.get(), a.get(), b.get()}).save("Good", store));
        EXPECT_TRUE(KvFrameworkPath().save("Nothing", store));
        store.writeReferenceArray("Unrelated", kv::vector<const KvGenre*>{root.get(), stray.get()});
        store.writeReferenceArray("WithNull", kv::vector<const KvGenre*>{root.get(), nullptr});
        store.writeReferenceArray("Empty", kv::vector<const KvGenre*>{});
        ASSERT_TRUE(store.close());
    }
    root = a = b = nullptr;
    EXPECT_EQ(Census<TestFramework>::live(), 1);

    {
        KvDataStore store;
        ASSERT_TRUE(store.open(file.c_str()));
        KvFrameworkPath p;
        EXPECT_FALSE(p.read("Nothing", store));
        EXPECT_TRUE(p.read("Good", store));
        EXPECT_EQ(names(p), "root/a/b");
        KvFrameworkPath twin;
        EXPECT_TRUE(twin.read("Good", store));
        EXPECT_EQ(twin.getImpl(), p.getImpl());
        KvFrameworkPath bad;
        EXPECT_FALSE(bad.read("Unrelated", store));
        EXPECT_FALSE(bad.read("WithNull", store));
        EXPECT_FALSE(bad.read("Empty", store));
        EXPECT_TRUE(bad.isEmpty());
        EXPECT_EQ(toLog(store.getErrors()),
                  (Log{"Bad framework in path.", "Null framework in path.", "Bad framework in path."}));
        // The store hands out what it reads unreferenced: "Stray", read
        // for the unrelated chain, is held by nobody.
        for (TestFramework* f : std::set<TestFramework*>(Census<TestFramework>::all))
            if (f->name == "stray" && f != stray.get()) f->destroy();
    }
}

TEST_F(FrameworkPathTest, TheActivePathComesFromTheQueryOrTheActiveFramework) {
    EXPECT_TRUE(KvFrameworkPath::getActive().isEmpty());
    TestFramework::setActive(a.get());
    EXPECT_EQ(names(KvFrameworkPath::getActive()), "a");

    struct Query : KvFrameworkPathQueryActive {
        KvFrameworkPath path;
        const KvFrameworkPath& queryActivePath() override { return path; }
    } query;
    query.path = pathOf({root.get(), a.get()});
    KvFrameworkPath::setActivePathQuery(&query);
    EXPECT_EQ(names(KvFrameworkPath::getActive()), "root/a");
    KvFrameworkPath::setActivePathQuery(nullptr);
    TestFramework::setActive(nullptr);
}
