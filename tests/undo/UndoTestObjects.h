#pragma once

// Objects for the undo tests: counted undoable values and nodes, a recording
// observer, an undo object that watches others, and the fixture that gives
// every test a fresh history and checks that nothing outlives it.

#include <KvAction.h>
#include <KvActionQueue.h>
#include <KvCosmeticAction.h>
#include <KvExcept.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUndo.h>
#include <KvUndoIntDatum.h>
#include <KvUndoIntDatumState.h>
#include <KvUndoRefObject.h>
#include <KvUndoRefObjectState.h>
#include <KvUpdateAction.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace undotest {

using Log = std::vector<std::string>;

// An undoable integer with a name. Instances are counted and listed so the
// fixture can prove each is deleted exactly once.
class Value : public KvUndoIntDatum {
public:
    inline static int made = 0;
    inline static int deleted = 0;
    inline static std::set<Value*> all;

    explicit Value(std::string n, int64_t v = 0) : KvUndoIntDatum(v), name(std::move(n)) { born(); }
    Value(const Value& o) : KvUndoIntDatum(o), name(o.name + "'") { born(); }
    ~Value() override {
        ++deleted;
        all.erase(this);
    }

    KvUndoState* getState() const override;
    bool isIncidental() const override { return incidental; }
    void resetCachedValues() override { ++resets; }

    std::string name;
    bool incidental = false;
    bool failRestore = false;  // its states throw when written back
    int resets = 0;

private:
    void born() {
        ++made;
        all.insert(this);
    }
};

class ValueState : public KvUndoIntDatumState {
public:
    ValueState(int64_t v, std::string n, bool fail) : KvUndoIntDatumState(v), name(std::move(n)), fail(fail) {}
    KvUndoObject* recreateObject() const override { return new Value(name, getValue()); }
    void restoreObject(KvUndoObject* obj) const override {
        if (fail) throw KvExcept("cannot restore " + name);
        KvUndoIntDatumState::restoreObject(obj);
    }
    std::string name;
    bool fail;
};

inline KvUndoState* Value::getState() const { return new ValueState(get(), name, failRestore); }

class NodeState;

// A reference-counted undo object: held through reference pointers, removed
// by undo through destroy().
class Node : public KvUndoRefObject {
public:
    inline static int made = 0;
    inline static int deleted = 0;
    inline static std::set<Node*> all;

    explicit Node(std::string n, int v = 0) : name(std::move(n)), value(v) { born(); }
    explicit Node(const NodeState& s);
    ~Node() override {
        ++deleted;
        all.erase(this);
    }

    void set(int v) {
        if (v == value) return;
        value = v;
        updateObservers();
    }
    KvUndoState* getState() const override;
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

    std::string name;
    int value;

private:
    friend class NodeState;
    void born() {
        ++made;
        all.insert(this);
    }
};

class NodeState : public KvUndoRefObjectState {
public:
    explicit NodeState(const Node& n) : KvUndoRefObjectState(n), name(n.name), value(n.value) {}
    KvUndoObject* recreateObject() const override { return new Node(*this); }
    void restoreObject(KvUndoObject* obj) const override {
        if (auto* n = dynamic_cast<Node*>(obj)) n->value = value;
    }
    bool isSame(const KvUndoState* other) const override {
        return other && static_cast<const NodeState*>(other)->value == value;
    }
    std::string name;
    int value;
};

inline Node::Node(const NodeState& s) : KvUndoRefObject(s), name(s.name), value(s.value) { born(); }
inline KvUndoState* Node::getState() const { return new NodeState(*this); }

inline std::string nameOf(const KvObservedObject* o) {
    if (auto* v = dynamic_cast<const Value*>(o)) return v->name;
    if (auto* n = dynamic_cast<const Node*>(o)) return n->name;
    return "?";
}

// Records "Kind:source" for every delivery; `onAction` runs inside the
// delivery. Detaches from what it watches when it dies, as observers must.
template <class Base>
class RecorderOf : public Base {
public:
    explicit RecorderOf(Log* shared = nullptr, std::string n = "rec") : shared(shared), name(std::move(n)) {}
    ~RecorderOf() override {
        for (KvObservedObject* o : watched)
            o->removeObserver(this);
    }
    void watch(KvObservedObject* o) {
        if (o->addObserver(this)) watched.push_back(o);
    }
    Log take() {
        Log out;
        out.swap(log);
        return out;
    }

    void handleReplaceAction(KvReplaceAction* a) override { record("Replace", a); }
    void handleSplitAction(KvSplitAction* a) override { record("Split", a); }
    void handleJoinAction(KvJoinAction* a) override { record("Join", a); }
    void handleUpdateAction(KvUpdateAction* a) override { record("Update", a); }
    void handlePurgeAction(KvPurgeAction* a) override {
        watched.erase(std::remove(watched.begin(), watched.end(), a->getSource()), watched.end());
        record("Purge", a);
    }
    void handleCosmeticAction(KvCosmeticAction* a) override { record("Cosmetic", a); }

    Log log;
    Log* shared;
    std::string name;
    std::vector<KvObservedObject*> watched;
    std::function<void(KvAction*)> onAction;

private:
    void record(const char* kind, KvAction* a) {
        std::string entry = std::string(kind) + ":" + nameOf(a->getSource());
        log.push_back(entry);
        if (shared) shared->push_back(name + "<-" + entry);
        if (onAction) onAction(a);
    }
};

// An observer that takes no part in undo: it hears about restores.
using Recorder = RecorderOf<KvObject>;

// An undo object that watches others: the engine restores it from its own
// states, so it must never hear about a restore.
class UndoWatcherBase : public KvUndoObject {
public:
    KvUndoState* getState() const override { return nullptr; }
};
using UndoWatcher = RecorderOf<UndoWatcherBase>;

inline Log toLog(const kv::vector<KvString>& list) {
    Log out;
    for (const KvString& s : list)
        out.push_back(s.getString());
    return out;
}

// Gives each test an empty history with a step limit of 100 and checks at the
// end that every object made was deleted exactly once.
class UndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        forgetHistory();
        Value::made = Value::deleted = 0;
        Node::made = Node::deleted = 0;
        KvUndo::setMaxSteps(100);
    }

    void TearDown() override {
        forgetHistory();
        // Whatever the history alone kept alive (objects rebuilt by undo) goes now.
        for (Value* v : std::set<Value*>(Value::all))
            v->destroy();
        for (Node* n : std::set<Node*>(Node::all))
            n->destroy();
        KvActionQueue::process();
        EXPECT_TRUE(Value::all.empty());
        EXPECT_TRUE(Node::all.empty());
        EXPECT_EQ(Value::made, Value::deleted);
        EXPECT_EQ(Node::made, Node::deleted);
        EXPECT_EQ(KvActionQueue::getNumPending(), 0u);
    }

    static void forgetHistory() {
        for (;;) {
            try {
                KvUndo::popUndoLevel("teardown");
            } catch (const KvExcept&) {
                break;
            }
        }
        KvUndo::setIsolationMode(false);
        KvUndo::setMaxSteps(0);
    }

    // The engine as a user sees it: the steps undo and redo would apply, next
    // first, and the number of checkpoints held. Closes an open step.
    static void checkState(const char* where, size_t checkpoints, const Log& undo, const Log& redo) {
        SCOPED_TRACE(where);
        kv::vector<KvString> u, r;
        KvUndo::getUndoList(u);
        KvUndo::getRedoList(r);
        EXPECT_EQ(toLog(u), undo);
        EXPECT_EQ(toLog(r), redo);
        EXPECT_EQ(KvUndo::getNumCheckpoints(), checkpoints);
    }
};

}  // namespace undotest
