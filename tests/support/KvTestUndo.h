#pragma once

// Objects for the undo tests: counted undoable values and nodes, an undo
// object that records what it hears, and the fixture that gives every test a
// fresh history and checks that nothing outlives it.

#include <KvActionQueue.h>
#include <KvExcept.h>
#include <KvTestObjects.h>
#include <KvUndo.h>
#include <KvUndoIntDatum.h>
#include <KvUndoIntDatumState.h>
#include <KvUndoRefObject.h>
#include <KvUndoRefObjectState.h>

#include <gtest/gtest.h>

namespace kvtest {

// An undoable integer with a name.
class Value : public KvUndoIntDatum, public Named {
public:
    explicit Value(std::string n, int64_t v = 0) : KvUndoIntDatum(v), Named(std::move(n)) { Census<Value>::born(this); }
    Value(const Value& o) : KvUndoIntDatum(o), Named(o.name + "'") { Census<Value>::born(this); }
    ~Value() override { Census<Value>::died(this); }

    KvUndoState* getState() const override;
    bool isIncidental() const override { return incidental; }
    void resetCachedValues() override { ++resets; }

    bool incidental = false;
    bool failRestore = false;  // its states throw when written back
    int resets = 0;
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
class Node : public Quiet<KvUndoRefObject>, public Named {
public:
    explicit Node(std::string n, int v = 0) : Named(std::move(n)), value(v) { Census<Node>::born(this); }
    explicit Node(const NodeState& s);
    ~Node() override { Census<Node>::died(this); }

    void set(int v) {
        if (v == value) return;
        value = v;
        updateObservers();
    }
    KvUndoState* getState() const override;

    int value;
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

inline Node::Node(const NodeState& s) : Quiet(s), Named(s.name), value(s.value) { Census<Node>::born(this); }
inline KvUndoState* Node::getState() const { return new NodeState(*this); }

// An undo object that watches others: the engine restores it from its own
// states, so it must never hear about a restore.
class UndoWatcherBase : public KvUndoObject {
public:
    KvUndoState* getState() const override { return nullptr; }
};
using UndoWatcher = RecorderOf<UndoWatcherBase>;

// Gives each test an empty history with a step limit of 100 and checks at the
// end that every object made was deleted exactly once.
class UndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        forgetHistory();
        Census<Value>::reset();
        Census<Node>::reset();
        KvUndo::setMaxSteps(100);
    }

    void TearDown() override {
        forgetHistory();
        // Whatever the history alone kept alive (objects rebuilt by undo) goes now.
        destroyAll<Value>();
        destroyAll<Node>();
        KvActionQueue::process();
        expectAllDeleted<Value>();
        expectAllDeleted<Node>();
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

}  // namespace kvtest
