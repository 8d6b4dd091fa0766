#include <KvTestUndo.h>

#include <KvRefPtr.h>
#include <KvTypes.h>
#include <KvUndoBridge.h>
#include <KvUndoReference.h>
#include <KvUndoState.h>

#include <sstream>

using namespace kvtest;

namespace {

class KvUndoObjectTest : public UndoTest {};

// A plain reference object whose value is made undoable by a bridge.
class Plain : public Quiet<KvRefObject> {
public:
    int value = 0;
};

class PlainBridge : public KvUndoBridge {
public:
    explicit PlainBridge(Plain* p) : plain(p) {}
    KvGenre* getObject() const override { return plain; }
    KvUndoState* getState() const override;
    void set(int v) {
        plain->value = v;
        KvUndo::objectChanged(this);
        plain->updateObservers();
    }
    Plain* plain;
};

class PlainState : public KvUndoState {
public:
    explicit PlainState(int v) : KvUndoState(KvUndoBridge::getClassTypeId()), value(v) {}
    KvUndoObject* recreateObject() const override { return nullptr; }
    void restoreObject(KvUndoObject* obj) const override {
        if (auto* b = dynamic_cast<PlainBridge*>(obj)) b->plain->value = value;
    }
    int value;
};

KvUndoState* PlainBridge::getState() const { return new PlainState(plain->value); }

}  // namespace

TEST_F(KvUndoObjectTest, DeletionAndRecreationAcrossUndoAndRedo) {
    KvRefPtr<Node> holder(new Node("n", 1));
    KvUndo::mark("create");
    KvUndoReference ref = holder->reference();
    ASSERT_TRUE(ref.isNonNull());
    EXPECT_EQ(KvUndo::getReferenceTypeId(ref), KvUndoRefObject::getClassTypeId());
    holder->set(2);
    KvUndo::mark("two");
    holder = nullptr;  // the last reference: the node goes
    KvActionQueue::process();
    KvUndo::mark("delete");
    EXPECT_TRUE(Census<Node>::all.empty());
    EXPECT_EQ(KvUndo::dereference(ref), nullptr);
    EXPECT_EQ(KvUndo::getReferenceTypeId(ref), KvUndoRefObject::getClassTypeId());

    // Undo of the deletion rebuilds the node through its state; the old
    // reference reaches it and equals a reference taken now.
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_EQ(Census<Node>::all.size(), 1u);
    auto* back = dynamic_cast<Node*>(KvUndo::dereference(ref));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->value, 2);
    EXPECT_EQ(KvUndo::reference(back), ref);
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(back->value, 1);

    // Back before its creation it goes; redo brings it back once more.
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_TRUE(Census<Node>::all.empty());
    EXPECT_EQ(KvUndo::dereference(ref), nullptr);
    ASSERT_TRUE(KvUndo::redo());
    ASSERT_TRUE(KvUndo::redo());
    auto* again = dynamic_cast<Node*>(KvUndo::dereference(ref));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->value, 2);
    ASSERT_TRUE(KvUndo::redo());  // the deletion, again
    EXPECT_TRUE(Census<Node>::all.empty());
    EXPECT_EQ(Census<Node>::made, 3);
    EXPECT_EQ(Census<Node>::deleted, 3);
}

TEST_F(KvUndoObjectTest, UndoThatDeletesAnObjectSomeoneHoldsWarns) {
    Log warnings;
    auto previous = KvTypes::setWarningHandler([&](const KvString& m) { warnings.push_back(m.str()); });
    // Held across undo the right way: through a reference to its history.
    KvRefPtr<Node> kept(new Node("kept"));
    KvUndoReference ref = kept->reference();
    Node* held = new Node("held");
    held->ref();  // what a KvRefPtr kept by the user does
    const std::string type = held->getTypeId().getName().str();
    KvUndo::mark("create");
    kept = nullptr;
    KvUndo::mark("drop");
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_NE(KvUndo::dereference(ref), nullptr);
    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    EXPECT_TRUE(Census<Node>::all.empty());
    EXPECT_EQ(warnings, (Log{type + ": deleted while 1 references to it remain; hold a KvUndoReference, or let go "
                                    "on its purge"}));
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_NE(KvUndo::dereference(ref), nullptr);
    KvTypes::setWarningHandler(previous);
}

TEST_F(KvUndoObjectTest, ObjectsHeldOnlyByTheRedoBranch) {
    Value* a = new Value("a", 0);
    KvUndo::mark("create a");
    new Value("b", 5);  // owned by the history from now on
    a->set(1);
    KvUndo::mark("create b");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(Census<Value>::all.size(), 1u);
    ASSERT_TRUE(KvUndo::redo());
    ASSERT_EQ(Census<Value>::all.size(), 2u);
    ASSERT_TRUE(KvUndo::undo());

    // A new step discards the branch that alone knew b.
    a->set(2);
    KvUndo::mark("other");
    EXPECT_FALSE(KvUndo::redo());
    EXPECT_EQ(Census<Value>::all.size(), 1u);
    EXPECT_EQ(Census<Value>::made, 3);
    EXPECT_EQ(Census<Value>::deleted, 2);

    // An object rebuilt by redo and then left by a new branch goes too.
    Node* n = new Node("n", 1);
    KvUndo::mark("create n");
    n->destroy();
    KvActionQueue::process();
    KvUndo::mark("delete n");
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_EQ(Census<Node>::all.size(), 1u);
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_TRUE(Census<Node>::all.empty());
    a->set(3);
    KvUndo::mark("drop n");
    checkState("after", 3, {"drop n", "other", "create a"}, {});
    EXPECT_EQ(Census<Node>::made, Census<Node>::deleted);
}

TEST_F(KvUndoObjectTest, ObserversThatDieBetweenStepsOrDuringARestore) {
    Value* v = new Value("v", 0);
    KvUndo::mark("create");
    Log order;
    auto* early = new Recorder("early", &order);
    auto* late = new Recorder("late", &order);
    auto* gone = new Recorder("gone", &order);
    early->watch(v);
    late->watch(v);
    gone->watch(v);
    v->set(1);
    KvUndo::mark("one");
    delete gone;  // between steps
    order.clear();

    // The first observer deletes the second while its delivery is queued.
    early->onAction = [&](KvAction*) {
        delete late;
        late = nullptr;
    };
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(order, Log{"early<-Update:v"});
    early->onAction = nullptr;
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(order, (Log{"early<-Update:v", "early<-Update:v"}));
    delete early;
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 0);
}

TEST_F(KvUndoObjectTest, ReferencesNameTheMonitorNotTheObject) {
    KvUndo::setMaxSteps(0);
    Value* off = new Value("off", 0);
    EXPECT_FALSE(KvUndo::reference(off).isNonNull());
    off->destroy();
    KvUndo::setMaxSteps(10);

    Value* v = new Value("v", 0);
    Value* w = new Value("w", 0);
    KvUndoReference a = v->reference(), b = w->reference();
    EXPECT_NE(a, b);
    EXPECT_TRUE((a < b) != (b < a));
    KvUndoReference copy(a), moved{KvUndoReference(b)};
    EXPECT_EQ(copy, a);
    EXPECT_EQ(moved, b);
    kv::vector<KvUndoReference> x{a, b}, y{copy, moved}, z{b, a};
    EXPECT_TRUE(KvUndoReference::equal(x, y));
    EXPECT_FALSE(KvUndoReference::equal(x, z));
    KvUndoReference& alias = copy;
    copy = alias;  // self-assignment keeps the handle
    EXPECT_EQ(copy, a);
    moved = std::move(copy);
    EXPECT_EQ(moved, a);
    EXPECT_FALSE(copy.isNonNull());
    std::ostringstream out;
    out << a;
    EXPECT_TRUE(out.str().empty());
    EXPECT_EQ(KvUndoObject::dereference(a), v);
    EXPECT_EQ(KvUndoBridge::dereference(a), nullptr);  // not a bridge

    // Forgetting the history while handles remain keeps the monitor as a
    // name: the handles still compare, and lead nowhere.
    KvUndo::setMaxSteps(0);
    EXPECT_EQ(moved, a);
    EXPECT_EQ(KvUndo::dereference(a), nullptr);
    a.clear();
    EXPECT_FALSE(a.isNonNull());
    EXPECT_EQ(KvUndo::dereference(a), nullptr);
    EXPECT_EQ(KvUndo::getReferenceTypeId(a), KvTypeId());
}

TEST_F(KvUndoObjectTest, ABridgeSpeaksForItsObject) {
    KvRefPtr<Plain> plain(new Plain);
    PlainBridge* bridge = new PlainBridge(plain.get());
    KvUndo::mark("create");
    Recorder onPlain, onBridge;
    onPlain.watch(plain.get());
    onBridge.watch(bridge);
    bridge->set(4);
    KvUndo::mark("four");
    onPlain.take();
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(plain->value, 0);
    EXPECT_EQ(onPlain.take(), Log{"Update:?"});
    EXPECT_TRUE(onBridge.take().empty());
    KvUndoReference ref = bridge->reference();
    EXPECT_EQ(KvUndoBridge::dereference(ref), plain.get());
    EXPECT_EQ(KvUndo::getReferenceTypeId(ref), plain->getTypeId());
    bridge->destroy();
}

TEST_F(KvUndoObjectTest, IsolatedObjectsAreNeitherRecordedNorRestored) {
    Value* v = new Value("v", 0);
    KvUndo::mark("create");
    KvUndo::setIsolationMode(true);
    EXPECT_TRUE(KvUndo::getIsolationMode());
    Value* iso = new Value("iso", 1);
    iso->set(2);
    KvUndo::mark("isolated");
    KvUndo::setIsolationMode(false);
    checkState("nothing opened", 1, {"create"}, {});

    v->set(1);
    iso->set(3);  // its monitor records nothing, so the step holds v alone
    KvUndo::mark("both");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->get(), 0);
    EXPECT_EQ(iso->get(), 3);
    EXPECT_EQ(Census<Value>::made, 2);
}
