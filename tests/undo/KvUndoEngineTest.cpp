#include <KvTestUndo.h>

#include <KvActionLock.h>
#include <KvAllocator.h>
#include <KvDelayedFunction.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kvtest;

namespace {

struct Fn : KvDelayedFunction {
    explicit Fn(std::function<void()> f) : f(std::move(f)) {}
    void execute() override { f(); }
    std::function<void()> f;
};

class KvUndoEngineTest : public UndoTest {};

// A value whose restore hooks, and whose states' postRestoreObject(), keep a
// count: the engine skips the hooks of classes that leave them empty and must
// never skip these.
Log hookLog;

class Hooked : public Value {
public:
    using Value::Value;
    KvUndoState* getState() const override;

protected:
    bool prerestore() override {
        hookLog.push_back("pre:" + name);
        return true;
    }
    void postrestore(bool flag) override { hookLog.push_back(std::string(flag ? "post+:" : "post-:") + name); }
    void prepareToSaveState() const override { hookLog.push_back("prepare:" + name); }
};

class HookedState : public ValueState {
public:
    using ValueState::ValueState;
    KvUndoObject* recreateObject() const override { return new Hooked(name, getValue()); }
    void postRestoreObject(KvUndoObject*) const override { hookLog.push_back("relink:" + name); }
};

KvUndoState* Hooked::getState() const { return new HookedState(get(), name, false); }

}  // namespace

TEST_F(KvUndoEngineTest, OffUntilALimitIsSetThenEveryObjectGetsABaseline) {
    forgetHistory();
    Value* before = new Value("before", 1);
    before->set(2);
    EXPECT_EQ(KvUndo::getMaxSteps(), 0u);
    EXPECT_EQ(KvUndo::getNumCheckpoints(), 0u);
    EXPECT_FALSE(KvUndo::undo());
    EXPECT_FALSE(KvUndo::reference(before).isNonNull());
    KvUndo::mark("ignored");
    checkState("disabled", 0, {}, {});

    KvUndo::setMaxSteps(10);
    EXPECT_TRUE(KvUndo::reference(before).isNonNull());
    before->set(3);
    KvUndo::mark("three");
    checkState("enabled", 1, {"three"}, {});
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(before->get(), 2);  // the baseline taken when undo was switched on

    // Back to 0 forgets everything; raising the limit again starts over.
    KvUndo::setMaxSteps(0);
    checkState("off again", 0, {}, {});
    before->set(5);
    Value* meanwhile = new Value("meanwhile", 7);
    KvUndo::setMaxSteps(10);
    before->set(6);
    meanwhile->set(8);
    KvUndo::mark("both");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(before->get(), 5);
    EXPECT_EQ(meanwhile->get(), 7);
    EXPECT_EQ(Census<Value>::made, 2);  // nothing was rebuilt
}

TEST_F(KvUndoEngineTest, UndoRedoWalkTheStepsAndTellOnlyNonUndoObservers) {
    Value* v = new Value("v", 0);
    KvUndo::mark("create");
    Recorder rec;
    UndoWatcher watcher;
    rec.watch(v);
    watcher.watch(v);
    v->set(1);
    KvUndo::mark("one");
    v->set(2);
    v->set(3);  // one step, however many changes
    KvUndo::mark("three");
    EXPECT_EQ(rec.take(), (Log{"Update:v", "Update:v", "Update:v"}));
    EXPECT_EQ(watcher.take(), (Log{"Update:v", "Update:v", "Update:v"}));
    checkState("after marks", 3, {"three", "one", "create"}, {});
    uint64_t three = KvUndo::getCurrentSequenceId();

    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 1);
    EXPECT_EQ(rec.take(), Log{"Update:v"});
    EXPECT_TRUE(watcher.take().empty());
    checkState("undo", 3, {"one", "create"}, {"three"});
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 0);
    checkState("undo twice", 3, {"create"}, {"one", "three"});
    ASSERT_TRUE(KvUndo::redo());
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_FALSE(KvUndo::redo());
    EXPECT_EQ(v->get(), 3);
    EXPECT_EQ(KvUndo::getCurrentSequenceId(), three);
    EXPECT_EQ(rec.take(), (Log{"Update:v", "Update:v", "Update:v"}));
    EXPECT_TRUE(watcher.take().empty());
    EXPECT_GT(v->resets, 0);

    // A step in which nothing ends up different is no step; it leaves a gap in
    // the ids, and undo goes to the previous step's id, not to "id - 1".
    v->set(9);
    v->set(3);
    KvUndo::mark("nothing");
    v->set(4);
    KvUndo::mark("four");
    checkState("gap", 4, {"four", "three", "one", "create"}, {});
    EXPECT_EQ(KvUndo::getCurrentSequenceId(), three + 2);
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(KvUndo::getCurrentSequenceId(), three);
    EXPECT_EQ(v->get(), 3);
}

TEST_F(KvUndoEngineTest, ANewChangeAfterUndoDiscardsTheRedoSteps) {
    Value* v = new Value("v", 0);
    KvUndo::mark("create v");
    v->set(1);
    Value* w = new Value("w", 10);  // exists only in the step that is undone
    KvUndo::mark("one");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 0);
    KvActionQueue::process();
    EXPECT_EQ(Census<Value>::all.count(w), 0u);
    EXPECT_EQ(Census<Value>::all.size(), 1u);

    v->set(5);  // the redo branch, and w's history with it, are gone
    checkState("pruned", 2, {"checkpoint 4", "create v"}, {});
    EXPECT_FALSE(KvUndo::redo());
    EXPECT_EQ(Census<Value>::made, 2);

    // redo() right after a change closes the step and applies nothing.
    v->set(6);
    EXPECT_FALSE(KvUndo::redo());
    checkState("closed by redo", 3, {"checkpoint 5", "checkpoint 4", "create v"}, {});
    EXPECT_EQ(v->get(), 6);
    // The next change and mark make a step of their own.
    v->set(7);
    KvUndo::mark("seven");
    checkState("after redo", 4, {"seven", "checkpoint 5", "checkpoint 4", "create v"}, {});
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 6);

    // So does a mark without changes after an undo: it ends the user's step.
    ASSERT_TRUE(KvUndo::undo());
    KvUndo::mark("nothing new");
    EXPECT_FALSE(KvUndo::redo());
    EXPECT_EQ(v->get(), 5);
}

TEST_F(KvUndoEngineTest, ObjectsBornAndGoneInOneStepLeaveNoTrace) {
    Value* keep = new Value("keep", 0);
    KvUndo::mark("create");
    Recorder rec;
    rec.watch(keep);

    Value* temp = new Value("temp", 1);
    temp->set(2);
    temp->destroy();
    KvActionQueue::process();
    keep->set(1);
    KvUndo::mark("step");
    checkState("step", 2, {"step", "create"}, {});
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(Census<Value>::made, 2);  // temp never came back
    EXPECT_EQ(rec.take(), (Log{"Update:keep", "Update:keep", "Update:keep"}));

    // A step that held only such an object is no step at all.
    Value* ghost = new Value("ghost", 1);
    ghost->destroy();
    KvActionQueue::process();
    KvUndo::mark("ghost");
    checkState("ghost", 2, {"step", "create"}, {});
}

TEST_F(KvUndoEngineTest, IncidentalChangesJoinThePreviousStep) {
    Value* main = new Value("main", 0);
    Value* cache = new Value("cache", 0);
    cache->incidental = true;
    KvUndo::mark("create");
    main->set(1);
    KvUndo::mark("main");
    cache->set(5);
    KvUndo::mark("cache only");
    checkState("merged", 2, {"main", "create"}, {});
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(main->get(), 0);
    EXPECT_EQ(cache->get(), 0);  // undone together with the step it joined
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(cache->get(), 5);

    // collapseOpenCheckpoint folds any open step the same way.
    main->set(2);
    KvUndo::collapseOpenCheckpoint();
    checkState("collapsed", 2, {"main", "create"}, {});
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(main->get(), 0);
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(main->get(), 2);

    // With no step before it an incidental change vanishes.
    KvUndo::truncate();
    cache->set(6);
    KvUndo::mark("alone");
    checkState("vanished", 0, {}, {});
}

TEST_F(KvUndoEngineTest, TheStepLimitKeepsTheNewestSteps) {
    KvUndo::setMaxSteps(3);
    Value* v = new Value("v", 0);
    KvUndo::mark("create");
    for (int i = 1; i <= 5; ++i) {
        v->set(i);
        KvUndo::mark(("set " + std::to_string(i)).c_str());
    }
    checkState("limited", 3, {"set 5", "set 4", "set 3"}, {});
    EXPECT_TRUE(KvUndo::undo());
    EXPECT_TRUE(KvUndo::undo());
    EXPECT_TRUE(KvUndo::undo());
    EXPECT_FALSE(KvUndo::undo());
    EXPECT_EQ(v->get(), 2);  // the oldest state still reachable
    ASSERT_TRUE(KvUndo::redo());

    // Lowering the limit drops the redo steps first, then the oldest.
    KvUndo::setMaxSteps(1);
    EXPECT_EQ(KvUndo::getMaxSteps(), 1u);
    checkState("lowered", 1, {"set 3"}, {});
    EXPECT_EQ(v->get(), 3);
    EXPECT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 2);

    KvUndo::truncate();
    EXPECT_EQ(KvUndo::getMaxSteps(), 1u);
    checkState("truncated", 0, {}, {});
    EXPECT_FALSE(KvUndo::undo());
}

TEST_F(KvUndoEngineTest, UndoLevelsFoldIntoOneStep) {
    Value* v = new Value("v", 0);
    KvUndo::mark("create");
    KvUndo::pushUndoLevel();
    v->set(1);
    KvUndo::mark("a");
    v->set(2);
    KvUndo::mark("b");
    checkState("inside", 4, {"b", "a"}, {});
    EXPECT_TRUE(KvUndo::undo());
    EXPECT_TRUE(KvUndo::undo());
    EXPECT_FALSE(KvUndo::undo());  // stops at the level's first step
    EXPECT_EQ(v->get(), 0);
    EXPECT_TRUE(KvUndo::redo());
    EXPECT_TRUE(KvUndo::redo());
    KvUndo::popUndoLevel("level");
    checkState("popped", 2, {"level", "create"}, {});
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 0);
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(v->get(), 2);

    // A level that records nothing leaves nothing behind.
    KvUndo::pushUndoLevel();
    KvUndo::popUndoLevel("empty");
    checkState("empty level", 2, {"level", "create"}, {});

    try {
        KvUndo::popUndoLevel("too many");
        FAIL() << "no exception";
    } catch (const KvExcept& e) {
        EXPECT_STREQ(e.what(), "KvUndo::popUndoLevel: stack underflow");
    }
}

TEST_F(KvUndoEngineTest, ChangesMadeWhileRestoringAreNotRecorded) {
    Value* v = new Value("v", 0);
    Value* side = new Value("side", 0);
    KvUndo::mark("create");
    v->set(1);
    KvUndo::mark("one");

    Recorder rec;
    rec.watch(v);
    bool undoRefused = false;
    rec.onAction = [&](KvAction*) {
        EXPECT_TRUE(KvUndo::isRestoring());
        side->set(42);           // not recorded
        KvUndo::mark("inside");  // ignored
        undoRefused = !KvUndo::undo();
    };
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_TRUE(undoRefused);
    EXPECT_EQ(v->get(), 0);
    EXPECT_EQ(side->get(), 42);
    rec.onAction = nullptr;
    checkState("after", 2, {"create"}, {"one"});
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(v->get(), 1);
}

TEST_F(KvUndoEngineTest, UndoIsRefusedInsideAQueueRun) {
    Value* v = new Value("v", 0);
    KvUndo::mark("create");
    v->set(1);
    KvUndo::mark("one");

    bool ran = false, result = true;
    KvActionQueue::run(new Fn([&] {
        ran = true;
        result = KvUndo::undo() || KvUndo::redo();
    }));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(result);
    {
        KvActionLock lock;
        EXPECT_FALSE(KvUndo::undo());
    }
    // Nothing was half done.
    EXPECT_EQ(v->get(), 1);
    EXPECT_FALSE(KvUndo::isRestoring());
    checkState("untouched", 2, {"one", "create"}, {});
}

TEST_F(KvUndoEngineTest, DelayedAndPostUndoActionsRunAfterTheRestore) {
    Value* v = new Value("v", 0);
    KvUndo::mark("create");
    v->set(1);
    KvUndo::mark("one");

    Log order;
    Recorder rec("rec", &order);
    rec.watch(v);
    rec.onAction = [&](KvAction*) {
        KvUndo::addPostUndoAction(
            new Fn([&] { order.push_back(std::string("post restoring=") + (KvUndo::isRestoring() ? "yes" : "no")); }));
        KvUndo::addDelayedUndoAction(new Fn(
            [&] { order.push_back(std::string("delayed restoring=") + (KvUndo::isRestoring() ? "yes" : "no")); }));
        KvUndo::addDelayedUndoAction(nullptr);
    };
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(order, (Log{"rec<-Update:v", "delayed restoring=yes", "post restoring=no"}));

    Fn* outside = new Fn([] {});
    outside->ref();
    expectThrows("KvUndo::addDelayedUndoAction: called when not restoring",
                 [&] { KvUndo::addDelayedUndoAction(outside); });
    expectThrows("KvUndo::addPostUndoAction: called when not restoring", [&] { KvUndo::addPostUndoAction(outside); });
    EXPECT_EQ(outside->getRefCount(), 1);
    outside->unref();
}

TEST_F(KvUndoEngineTest, AFailingObjectDoesNotStopTheRestOfTheStep) {
    Value* bad = new Value("bad", 0);
    Value* good = new Value("good", 0);
    bad->failRestore = true;
    KvUndo::mark("create");
    bad->set(1);
    good->set(1);
    KvUndo::mark("both");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(bad->get(), 1);
    EXPECT_EQ(good->get(), 0);
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(good->get(), 1);
}

TEST_F(KvUndoEngineTest, TheMemoryCleanerKeepsOnlyTheNewestStep) {
    EXPECT_TRUE(KvAllocator::getNumCleaningFunctions() >= 1);
    Value* v = new Value("v", 0);
    Node* n = new Node("n", 0);
    n->ref();
    KvUndo::mark("create");
    KvUndoReference rv = KvUndo::reference(v), rn = KvUndo::reference(n);
    for (int i = 1; i <= 4; ++i) {
        v->set(i);
        n->set(i);
        KvUndo::mark(("step " + std::to_string(i)).c_str());
    }
    ASSERT_TRUE(KvUndo::undo());  // a redo step, dropped first
    EXPECT_TRUE(KvAllocator::runCleaningFunctions());
    checkState("redo pruned", 4, {"step 3", "step 2", "step 1", "create"}, {});
    EXPECT_TRUE(KvAllocator::runCleaningFunctions());
    checkState("old released", 1, {"step 3"}, {});
    EXPECT_FALSE(KvAllocator::runCleaningFunctions());

    // The references outlive the released steps.
    EXPECT_EQ(KvUndo::dereference(rv), v);
    EXPECT_EQ(KvUndo::dereference(rn), n);
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_FALSE(KvUndo::undo());
    EXPECT_EQ(v->get(), 2);
    EXPECT_EQ(n->value, 2);

    // With a step open, it and the newest closed step are kept.
    KvUndo::redo();
    v->set(7);
    KvUndo::mark("seven");
    v->set(8);
    EXPECT_TRUE(KvAllocator::runCleaningFunctions());
    EXPECT_EQ(KvUndo::getNumCheckpoints(), 2u);
    checkState("open kept", 2, {"checkpoint 8", "seven"}, {});
    n->unref();
}

namespace {

std::vector<const KvUndoObject*> g_resets;

// Keeps a cache: logs each reset.
class Cached : public KvUndoIntDatum {
public:
    void resetCachedValues() override {
        g_resets.push_back(this);
        if (fail) throw KvExcept("cannot reset");
    }
    bool fail = false;
};

// Resets another object whose class keeps nothing, then logs itself.
class Forwarder : public KvUndoIntDatum {
public:
    void resetCachedValues() override {
        plain.resetCachedValues();
        g_resets.push_back(this);
    }
    KvUndoIntDatum plain;
};

// Brackets each restore of itself; the engine must keep calling both hooks.
class Bracketed : public KvUndoIntDatum {
public:
    std::vector<std::string> log;

protected:
    bool prerestore() override {
        log.push_back("pre");
        return true;
    }
    void postrestore(bool flag) override { log.push_back(flag ? "post:true" : "post:false"); }
};

std::vector<const KvUndoObject*> inAddressOrder(std::vector<const KvUndoObject*> v) {
    std::sort(v.begin(), v.end(), std::less<const KvUndoObject*>());
    return v;
}

}  // namespace

TEST_F(KvUndoEngineTest, EveryObjectThatKeepsACacheIsResetAfterEachUndoAndRedo) {
    std::vector<std::unique_ptr<KvUndoIntDatum>> plain;
    std::vector<std::unique_ptr<Cached>> cached;
    for (int i = 0; i < 40; ++i) {
        plain.emplace_back(new KvUndoIntDatum(i));
        if (i % 10 == 0) cached.emplace_back(new Cached);
    }
    Forwarder forwarder;
    Bracketed bracketed;
    cached[1]->fail = true;
    KvUndo::mark("create");
    plain[7]->set(100);
    bracketed.set(1);
    KvUndo::mark("one");
    std::vector<const KvUndoObject*> expected{&forwarder};
    for (auto& c : cached)
        expected.push_back(c.get());
    expected = inAddressOrder(expected);

    // Asked every time, in address order: also after the engine has seen which
    // classes keep nothing, also the one whose reset throws, and also the one
    // that resets an object without a cache on the way.
    for (int round = 0; round < 3; ++round) {
        g_resets.clear();
        ASSERT_TRUE(KvUndo::undo());
        EXPECT_EQ(g_resets, expected) << "undo " << round;
        g_resets.clear();
        ASSERT_TRUE(KvUndo::redo());
        EXPECT_EQ(g_resets, expected) << "redo " << round;
    }
    EXPECT_EQ(plain[7]->get(), 100);
    EXPECT_EQ(bracketed.get(), 1);
    EXPECT_EQ(bracketed.log.size(), 12u);
    EXPECT_EQ(bracketed.log.back(), "post:true");

    // Objects made since the last undo are asked; deleted ones are not.
    cached.erase(cached.begin() + 2);
    cached.emplace_back(new Cached);
    expected = {&forwarder};
    for (auto& c : cached)
        expected.push_back(c.get());
    expected = inAddressOrder(expected);
    KvUndo::mark("two");
    plain[3]->set(-1);
    KvUndo::mark("three");
    g_resets.clear();
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(g_resets, expected);

    // An object rebuilt by redo is asked too.
    new Value("v");
    KvUndo::mark("v");
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_TRUE(KvUndo::redo());
    ASSERT_EQ(Census<Value>::all.size(), 1u);
    EXPECT_EQ((*Census<Value>::all.begin())->resets, 1);
    g_resets.clear();
}

TEST_F(KvUndoEngineTest, RestoreHooksRunEveryTimeBesideObjectsWithoutThem) {
    std::vector<Value*> plain;
    for (int i = 0; i < 40; ++i)
        plain.push_back(new Value("v" + std::to_string(i)));
    Hooked* h = new Hooked("h");
    KvUndo::mark("create");
    for (int step = 1; step <= 2; ++step) {
        hookLog.clear();
        for (Value* v : plain)
            v->set(step);
        h->set(step);
        KvUndo::mark("set");
        EXPECT_EQ(hookLog, (Log{"prepare:h"}));
    }
    hookLog.clear();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(KvUndo::undo());
        ASSERT_TRUE(KvUndo::redo());
    }
    Log once{"pre:h", "post+:h", "relink:h"};
    Log six;
    for (int i = 0; i < 6; ++i)
        six.insert(six.end(), once.begin(), once.end());
    EXPECT_EQ(hookLog, six);

    // A step restored while its hooked object did not exist: once undo
    // rebuilds the object, the step's next restore calls its hooks again.
    for (Value* v : plain)
        v->set(3);
    h->destroy();
    KvActionQueue::process();
    KvUndo::mark("delete");
    hookLog.clear();
    ASSERT_TRUE(KvUndo::undo());  // rebuilds h: no prerestore for an object not there yet
    EXPECT_EQ(hookLog, (Log{"post-:h", "relink:h"}));
    hookLog.clear();
    ASSERT_TRUE(KvUndo::redo());  // deletes it again
    EXPECT_EQ(hookLog, (Log{"pre:h"}));
    hookLog.clear();
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(hookLog, (Log{"post-:h", "relink:h", "pre:h", "post+:h", "relink:h"}));
}
