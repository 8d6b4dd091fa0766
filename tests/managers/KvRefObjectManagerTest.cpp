#include "KvManagersTestSupport.h"

#include <KvColorAttribute.h>
#include <KvRefObjectAlert.h>
#include <KvRefObjectManagerModifiedCallback.h>

using namespace kvtest;

namespace {

struct Alert : KvRefObjectAlert {
    void objectAdded(KvRefObject* obj) override { seen.push_back(setName(obj)); }
    Log seen;
};

struct Modified : KvRefObjectManagerModifiedCallback {
    void managerModified(KvRefObjectManager*) override { ++calls; }
    int calls = 0;
};

}  // namespace

TEST_F(ManagerTest, NumbersNamesByBaseAndCountsHoles) {
    KvSharedParamSetManager* m = current();
    create("inlet");
    create("inlet");
    create("inlet");
    EXPECT_EQ(listOf(m), (Log{"inlet#2", "inlet-1#3", "inlet-2#4"}));

    // Empty names take the entry count, holes included; a taken one goes on
    // from the largest number of its base.
    m->deleteObject(m->getObjectByName("inlet-1"));
    create("");
    EXPECT_EQ(listOf(m), (Log{"inlet#2", "-", "inlet-2#4", "param-4#5"}));
    create("param-4");
    create("outlet-7");
    create("outlet-7");
    EXPECT_EQ(listOf(m), (Log{"inlet#2", "-", "inlet-2#4", "param-4#5", "param-5#6", "outlet-7#7", "outlet-8#8"}));

    // Lookups: by identifier stops at the hole or between identifiers.
    EXPECT_EQ(setName(m->getObjectById(4)), "inlet-2");
    EXPECT_EQ(m->getObjectById(3), nullptr);
    EXPECT_EQ(m->getObjectById(99), nullptr);
    EXPECT_EQ(m->getObjectByName("inlet-1"), nullptr);

    // setName refuses a name another set has and leaves both alone.
    KvRefObject* inlet = m->getObjectByName("inlet");
    EXPECT_FALSE(m->setName(inlet, "param-5"));
    EXPECT_TRUE(m->setName(inlet, "main"));
    EXPECT_EQ(setName(m->getObjectById(2)), "main");
    // A renamed set frees its old name for the index too.
    create("inlet");
    EXPECT_EQ(listOf(m).back(), "inlet#9");

    kv::vector<KvString> names;
    m->getObjectNames(names);
    EXPECT_EQ(names.size(), 7u);
    m->deleteObjects();
    EXPECT_TRUE(m->getEntries().empty());
    EXPECT_EQ(m->getNextId(), 1u);
}

TEST_F(ManagerTest, AlertsAndModifierCallbacks) {
    KvSharedParamSetManager* m = current();
    create("a");
    create("b");
    create("c");
    Alert alert;
    m->addAlert(&alert);
    m->addAlert(&alert);
    EXPECT_EQ(alert.seen, (Log{"a", "b", "c"}));
    create("d");
    EXPECT_EQ(alert.seen.back(), "d");
    m->removeAlert(&alert);
    create("e");
    EXPECT_EQ(alert.seen.size(), 4u);

    Modified modified;
    KvSharedParamSetManager::addModifierCallback(&modified);
    create("f");
    KvSharedParamSetManager::removeModifierCallback(&modified);
    create("g");
    EXPECT_EQ(modified.calls, 1);
}

TEST_F(ManagerTest, FileReadMergesDownOrIsThrownAway) {
    KvSharedParamSet* same = create("mesh", paramsOf({{"size", "1"}}));
    KvSharedParamSet* changed = create("wall", paramsOf({{"layers", "3"}}));
    KvUndo::mark("setup");

    // A read of a file holding an equal "mesh" under another name, a changed
    // "wall" and a new set, with the same identifiers.
    KvRefObjectManager* loaded = stack->push(true);
    EXPECT_EQ(listOf(loaded), (Log{"mesh#2", "wall#3"}));
    EXPECT_EQ(current(), loaded);
    EXPECT_FALSE(loaded->isBaseMgr());
    KvSharedParamSet* theirMesh = KvSharedParamSet::cast(loaded->getObjectById(2));
    loaded->setName(theirMesh, "grid");
    KvSharedParamSet::cast(loaded->getObjectById(3))->setParams(paramsOf({{"layers", "5"}}));
    KvSharedParamSet::cast(loaded->createObject("extra"));
    Recorder rec;
    rec.watch(theirMesh);

    stack->pop(KvRefObjectManager::MergeKeepBoth);
    KvActionQueue::process();
    KvSharedParamSetManager* bottom = current();
    EXPECT_TRUE(bottom->isBaseMgr());
    // The equal set gives way to ours (which takes its name), the changed one
    // is kept beside ours, the new one arrives with a fresh identifier.
    EXPECT_EQ(listOf(bottom), (Log{"grid#2", "wall#3", "wall-1#5", "extra#6"}));
    EXPECT_EQ(bottom->getObjectById(2), same);
    EXPECT_EQ(rec.take(), (Log{"Replace:?>?", "Purge:?"}));
    KvUndo::mark("read");

    // Reading again and throwing it away leaves the bottom as it was.
    stack->push(false)->createObject("scratch");
    stack->pop(KvRefObjectManager::MergeNone);
    stack->pop(KvRefObjectManager::MergeNone);  // only the bottom: nothing
    EXPECT_EQ(stack->getSize(), 1u);
    EXPECT_EQ(listOf(bottom).size(), 4u);
    // Nothing changed for good: no step.
    checkState("discarded", 2, {"read", "setup"}, {});

    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    EXPECT_EQ(stack->getSize(), 1u);
    EXPECT_EQ(listOf(current()), (Log{"mesh#2", "wall#3"}));
    EXPECT_EQ(current()->getObjectById(3), changed);
    EXPECT_EQ(changed->getParams(), paramsOf({{"layers", "3"}}));

    ASSERT_TRUE(KvUndo::redo());
    KvActionQueue::process();
    EXPECT_EQ(listOf(current()), (Log{"grid#2", "wall#3", "wall-1#5", "extra#6"}));
    // The set rebuilt by redo is a set of the manager again.
    KvSharedParamSet* wall1 = KvSharedParamSet::cast(current()->getObjectByName("wall-1"));
    ASSERT_NE(wall1, nullptr);
    EXPECT_EQ(wall1->getParams(), paramsOf({{"layers", "5"}}));
}

TEST_F(ManagerTest, MergeStyles) {
    create("a", paramsOf({{"x", "1"}}));
    KvUndo::mark("setup");
    KvRefObjectManager* upper = stack->push(true);
    KvSharedParamSet::cast(upper->getObjectById(2))->setParams(paramsOf({{"x", "2"}}));
    upper->createObject("b");
    const size_t upperNext = upper->getNextId();

    // Replace overwrites ours in place; the identifier counter follows.
    stack->pop(KvRefObjectManager::MergeReplace);
    KvActionQueue::process();
    EXPECT_EQ(listOf(current()), (Log{"a#2", "b#4"}));
    EXPECT_EQ(KvSharedParamSet::cast(current()->getObjectById(2))->getParams(), paramsOf({{"x", "2"}}));
    EXPECT_EQ(current()->getNextId(), upperNext + 1);
    KvUndo::mark("replace");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(KvSharedParamSet::cast(current()->getObjectById(2))->getParams(), paramsOf({{"x", "1"}}));
    EXPECT_EQ(listOf(current()), (Log{"a#2"}));
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(listOf(current()), (Log{"a#2", "b#4"}));

    // A deletion in the upper manager deletes ours on merge.
    KvRefObjectManager* again = stack->push(true);
    again->deleteObject(again->getObjectById(4));
    stack->pop(KvRefObjectManager::MergeKeepBoth);
    KvActionQueue::process();
    EXPECT_EQ(listOf(current()), (Log{"a#2"}));

    // Merging with MergeNone takes no set but the identifier counter, and
    // tells the observers.
    KvRefObjectManager* none = stack->push(false);
    none->createObject("c");
    none->createObject("c2");
    Recorder rec;
    rec.watch(current() == none ? stack->bottom() : current());
    stack->bottom()->merge(none, KvRefObjectManager::MergeNone);
    KvActionQueue::process();
    EXPECT_EQ(rec.take().size(), 1u);
    EXPECT_EQ(stack->bottom()->getNextId(), none->getNextId());
    stack->pop(KvRefObjectManager::MergeNone);
    KvActionQueue::process();
    EXPECT_EQ(listOf(current()), (Log{"a#2"}));
    current()->createObject("d");
    EXPECT_EQ(listOf(current()).back(), "d#" + std::to_string(current()->getNextId()));
}

TEST_F(ManagerTest, CreateAndDeleteAreUndone) {
    KvSharedParamSetManager* m = current();
    KvSharedParamSet* a = create("a", paramsOf({{"x", "1"}}));
    KvUndo::mark("create");
    a->setParams(paramsOf({{"x", "2"}}));
    a->setClass("Mesh");
    KvUndo::mark("edit");
    m->deleteObject(a);
    KvActionQueue::process();
    KvUndo::mark("delete");
    EXPECT_EQ(listOf(m), (Log{"-"}));

    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    KvSharedParamSet* back = KvSharedParamSet::cast(m->getObjectById(2));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->getName(), KvString("a"));
    EXPECT_EQ(back->getClass(), KvString("Mesh"));
    EXPECT_EQ(back->getParams(), paramsOf({{"x", "2"}}));

    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(back->getClass(), KvString("User"));
    EXPECT_EQ(back->getParams(), paramsOf({{"x", "1"}}));
    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    EXPECT_TRUE(listOf(m).empty());
    // The name is free again.
    ASSERT_TRUE(KvUndo::redo());
    KvActionQueue::process();
    EXPECT_EQ(listOf(m), (Log{"a#2"}));
    EXPECT_EQ(setName(create("a")), "a-1");

    // An undone rename reaches the name index, though only the set changes
    // back (the manager's own state is the same).
    KvSharedParamSet* c = create("c");
    KvUndo::mark("create c");
    m->setName(c, "d");
    KvUndo::mark("rename");
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(setName(c), "c");
    EXPECT_EQ(setName(create("c")), "c-1");
    EXPECT_EQ(setName(create("d")), "d");
}

TEST_F(ManagerTest, SetsSaveAndLoadThroughFiles) {
    KvParamSet perParam = paramsOf({{"size", "1.5"}, {"mode", "fast"}});
    perParam.find("mode")->setDefinition(KvStringArray{"enum", "fast", "slow"});
    perParam.setValue("size", "2.5");
    create("mesh", perParam)->setClass("Mesh");
    create("common", paramsOf({{"a", "1"}, {"b", "2"}}));
    create("empty");
    current()->deleteObject(current()->getObjectByName("common"));

    const std::string path = tmpPath("sets.kvs");
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(path.c_str()));
        KvSharedParamSetManager::save(out);
        ASSERT_TRUE(out.close());
    }
    KvSharedParamSetManager::reset();
    create("mesh", paramsOf({{"size", "9"}}));

    KvDataStore in;
    ASSERT_TRUE(in.open(path.c_str()));
    ASSERT_TRUE(in.enterSection("SharedParamSets"));
    // One key per position, holes included; an empty set holds name and class.
    EXPECT_EQ(toLog(in.listKeys()), (Log{"SharedParamSets-OBJ-1", "SharedParamSets-OBJ-3"}));
    ASSERT_TRUE(in.enterSection("SharedParamSets-OBJ-3"));
    EXPECT_EQ(toLog(in.listKeys()), (Log{"Name", "Class"}));
    in.closeSection();
    in.closeSection();

    KvSharedParamSetManager::loadStart(in);
    EXPECT_FALSE(in.hasFailed());
    KvRefObjectManager* loaded = current();
    // Identifiers are not saved: the read continues the current counter.
    EXPECT_EQ(listOf(loaded), (Log{"mesh#3", "empty#4"}));
    const KvSharedParamSet* mesh = KvSharedParamSet::cast(loaded->getObjectByName("mesh"));
    EXPECT_EQ(mesh->getClass(), KvString("Mesh"));
    EXPECT_TRUE(mesh->getParams().isIdentical(perParam) || mesh->getParams() == perParam);
    EXPECT_EQ(mesh->getParams().getDefinitions(), perParam.getDefinitions());
    EXPECT_EQ(mesh->getParams().getModifiedFlags(), perParam.getModifiedFlags());
    KvSharedParamSetManager::loadFinish(true);
    KvActionQueue::process();
    EXPECT_EQ(listOf(current()), (Log{"mesh#2", "mesh-1#5", "empty#6"}));
}

TEST_F(ManagerTest, DamagedSectionKeepsWhatWasRead) {
    create("kept");
    const std::string path = tmpPath("damaged.kvs");
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(path.c_str()));
        ASSERT_TRUE(out.openSection("SharedParamSets"));
        KvRefPtr<KvSharedParamSet> good(new KvSharedParamSet);
        KvRefPtr<KvColorAttribute> colour(new KvColorAttribute);
        out.writeEntity("SharedParamSets-OBJ-1", good.get());
        out.writeEntity("SharedParamSets-OBJ-2", colour.get());
        out.writeEntity("SharedParamSets-OBJ-3", good.get(), false);
        out.closeSection();
        ASSERT_TRUE(out.close());
    }
    KvDataStore in;
    ASSERT_TRUE(in.open(path.c_str()));
    KvSharedParamSetManager::loadStart(in);
    EXPECT_EQ(toLog(in.getErrors()), (Log{"Expected a ref object"}));
    EXPECT_EQ(listOf(current()).size(), 1u);
    // The stray item read is nobody's: it goes.
    ASSERT_TRUE(in.enterSection("SharedParamSets"));
    KvObservedObject::cast(in.readEntity("SharedParamSets-OBJ-2"))->destroy();
    in.closeSection();
    KvSharedParamSetManager::loadFinish(false);
    KvActionQueue::process();
    EXPECT_EQ(stack->getSize(), 1u);
    EXPECT_EQ(listOf(current()), (Log{"kept#2"}));

    // A store without the section reads nothing and reports nothing.
    KvDataStore none;
    KvSharedParamSetManager::loadStart(none);
    EXPECT_TRUE(listOf(current()).empty());
    KvSharedParamSetManager::loadFinish(true);
    EXPECT_EQ(listOf(current()), (Log{"kept#2"}));
}
