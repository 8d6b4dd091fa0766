#pragma once

// The fixture for tests of attributed objects under undo: a fresh history,
// the test classes registered, and at the end nothing left alive.

#include <KvTestAttributes.h>
#include <KvTestUndo.h>

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
        destroyAll<TestObject>();
        destroyAll<Value>();
        KvActionQueue::process();
    }
};

}  // namespace kvtest
