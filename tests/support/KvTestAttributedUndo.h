#pragma once

// The fixture for tests of attributed objects under undo: a fresh history,
// the test classes registered, and at the end nothing left alive.

#include <KvTestAttributes.h>
#include <KvTestUndo.h>

#include <set>

namespace kvtest {

class AttributedUndoTest : public UndoTest {
protected:
    void SetUp() override {
        registerTestHandlers();
        resetCounts();
        UndoTest::SetUp();
    }
    void TearDown() override {
        dropEverything();
        expectAllGone();
        UndoTest::TearDown();
    }
    // Forgets the history, then destroys what only it kept alive (objects
    // rebuilt by undo or redo).
    static void dropEverything() {
        forgetHistory();
        for (TestObject* o : std::set<TestObject*>(Census<TestObject>::all))
            o->destroy();
        for (Value* v : std::set<Value*>(Census<Value>::all))
            v->destroy();
        KvActionQueue::process();
    }
};

}  // namespace kvtest
