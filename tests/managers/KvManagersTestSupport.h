#pragma once

// Shared parameter sets for tests: the fixture starts the library, gives each
// test an empty history and an empty current manager, and leaves the
// process-wide stack with its bottom manager only.

#include <KvActionQueue.h>
#include <KvBase.h>
#include <KvDataStore.h>
#include <KvRefObjectArray1.h>
#include <KvSharedParamSet.h>
#include <KvSharedParamSetManager.h>
#include <KvSharedParamSetManagerStack.h>
#include <KvTestAttributes.h>
#include <KvTestUndo.h>
#include <KvUndo.h>

#include <string>

namespace kvtest {

inline std::string setName(const KvRefObject* obj) {
    const KvSharedParamSet* set = KvSharedParamSet::cast(obj);
    return set ? set->getName().str() : "?";
}

// "name#id" for each held set, in list order; "-" for a hole.
inline Log listOf(const KvRefObjectManager* m) {
    Log out;
    for (const KvRefObjectManager::Entry& e : m->getEntries())
        out.push_back(e.object ? setName(e.object) + "#" + std::to_string(e.id) : "-");
    return out;
}

class ManagerTest : public UndoTest {
protected:
    void SetUp() override {
        KvBase::init();
        UndoTest::SetUp();
        stack = KvSharedParamSetManager::getStack();
        ASSERT_NE(stack, nullptr);
        clearStack();
    }
    void TearDown() override {
        clearStack();
        UndoTest::TearDown();
    }
    void clearStack() {
        const uint64_t steps = KvUndo::getMaxSteps();
        KvUndo::setMaxSteps(0);
        while (stack->getSize() > 1)
            stack->pop(KvRefObjectManager::MergeNone);
        KvSharedParamSetManager::reset();
        KvActionQueue::process();
        KvUndo::setMaxSteps(steps);
    }
    KvSharedParamSetManager* current() { return KvSharedParamSetManager::getCurrentMgr(); }
    KvSharedParamSet* create(const char* name, const KvParamSet& params = KvParamSet()) {
        auto* set = KvSharedParamSet::cast(current()->createObject(name));
        if (!params.isEmpty()) set->setParams(params);
        return set;
    }

    KvSharedParamSetManagerStack* stack = nullptr;
};

}  // namespace kvtest
