#include <KvTestAttributedUndo.h>

#include <KvActionQueue.h>
#include <KvExcept.h>
#include <KvUndo.h>

#include <gtest/gtest.h>

using namespace kvtest;

using AttributedObjectUndoTest = AttributedUndoTest;

TEST_F(AttributedObjectUndoTest, AnItemValueChangeIsUndoneAndRedoneWithNoticesToNonUndoObservers) {
    KvRefPtr<TestObject> obj = new TestObject("o");
    ValueItem* v = new ValueItem(1, "v");
    obj->addAttribItem(v);
    KvUndo::mark("create");
    const KvTimeStamp created = obj->getModificationTime();

    Recorder objRec, itemRec;
    objRec.watch(obj.get());
    itemRec.watch(v);
    v->set(2);
    EXPECT_EQ(objRec.take(), (Log{"Attribute:o/v"}));
    EXPECT_EQ(itemRec.take(), (Log{"Update:v"}));
    KvUndo::mark("set");
    const KvTimeStamp changed = obj->getModificationTime();
    EXPECT_TRUE(created < changed);

    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(v->value, 1);
    EXPECT_EQ(obj->getModificationTime(), created);
    EXPECT_EQ(valueOf(obj.get()), 1);
    EXPECT_EQ(objRec.take(), (Log{"Update:o"}));
    EXPECT_EQ(itemRec.take(), (Log{"Update:v"}));

    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(v->value, 2);
    EXPECT_EQ(obj->getModificationTime(), changed);
    EXPECT_EQ(objRec.take(), (Log{"Update:o"}));
    EXPECT_EQ(itemRec.take(), (Log{"Update:v"}));
    EXPECT_EQ(Census<ValueItem>::made, 1);  // the same item all along
}

TEST_F(AttributedObjectUndoTest, AddReplaceAndRemoveAreUndoneByRebuildingTheItems) {
    KvRefPtr<TestObject> obj = new TestObject("o");
    KvUndo::mark("create");
    Recorder rec;
    rec.watch(obj.get());

    obj->addAttribItem(new ValueItem(1, "a"));
    KvUndo::mark("add");
    obj->replaceAttribItem(new ValueItem(2, "b"));
    KvUndo::mark("replace");
    obj->removeAttribItemOfType(ValueItem::getClassTypeId());
    KvUndo::mark("remove");
    KvActionQueue::process();
    EXPECT_TRUE(Census<ValueItem>::all.empty());
    EXPECT_TRUE(rec.take().empty());  // changes of the item set go to undo only

    const int values[] = {-1, 1, 2, -1};
    for (int step = 3; step > 0; --step) {
        SCOPED_TRACE(step);
        ASSERT_TRUE(KvUndo::undo());
        EXPECT_EQ(valueOf(obj.get()), values[step - 1]);
        EXPECT_EQ(rec.take(), (Log{"Update:o"}));
    }
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE(step);
        ASSERT_TRUE(KvUndo::redo());
        EXPECT_EQ(valueOf(obj.get()), values[step]);
        EXPECT_EQ(rec.take(), (Log{"Update:o"}));
    }
    // The rebuilt items are carried like any other.
    ASSERT_TRUE(KvUndo::undo());
    const KvAttributeItem* rebuilt = obj->getAttribItemOfType(ValueItem::getClassTypeId());
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_TRUE(rebuilt->isObserver(obj.get()));
    EXPECT_EQ(rebuilt->getRefCount(), 1);
}

TEST_F(AttributedObjectUndoTest, TheBridgeStandsForTheObjectAcrossItsDeletionAndRebuilding) {
    TestObject* obj = new TestObject("o");  // nobody references it: undo owns its fate
    obj->addAttribItem(new ValueItem(5, "v"));
    KvAttributedObjectUndoBridge* bridge = obj->getUndoBridge();
    ASSERT_NE(bridge, nullptr);
    EXPECT_EQ(bridge->getObject(), obj);
    KvUndo::mark("make");
    const KvUndoReference ref = obj->reference();
    ASSERT_TRUE(ref.isNonNull());
    EXPECT_EQ(KvAttributedObject::dereference(ref), obj);

    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    EXPECT_TRUE(Census<TestObject>::all.empty());
    EXPECT_TRUE(Census<ValueItem>::all.empty());
    EXPECT_EQ(KvAttributedObject::dereference(ref), nullptr);

    ASSERT_TRUE(KvUndo::redo());
    ASSERT_EQ(Census<TestObject>::all.size(), 1u);
    TestObject* back = *Census<TestObject>::all.begin();
    EXPECT_EQ(back->name, "o");
    EXPECT_EQ(valueOf(back), 5);
    EXPECT_EQ(KvAttributedObject::dereference(ref), back);
    EXPECT_EQ(back->reference(), ref);
}

TEST_F(AttributedObjectUndoTest, AnObjectDeletedInTheStepUndoneToStaysGone) {
    TestObject* obj = new TestObject("o");
    obj->addAttribItem(new ValueItem(5, "v"));
    const KvUndoReference ref = obj->reference();
    Value* other = new Value("other", 0);
    KvUndo::mark("create");
    obj->destroy();
    other->set(1);
    KvUndo::mark("delete");
    other->set(2);
    KvUndo::mark("after");
    other->set(3);
    ASSERT_TRUE(KvUndo::undo());  // closes the open step and undoes it
    EXPECT_EQ(KvAttributedObject::dereference(ref), nullptr);
    ASSERT_TRUE(KvUndo::undo());  // back to the end of "delete"
    KvActionQueue::process();
    EXPECT_EQ(KvAttributedObject::dereference(ref), nullptr) << "looking it up does not bring it back";
    EXPECT_EQ(Census<TestObject>::live(), 0);
    ASSERT_TRUE(KvUndo::undo());
    auto* back = dynamic_cast<TestObject*>(KvAttributedObject::dereference(ref));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(valueOf(back), 5);
}

TEST_F(AttributedObjectUndoTest, UndoWritingBackAnObjectNobodyHoldsLeavesItAlive) {
    // Made here with a count of 0, as a store or an undo rebuild hands it out.
    auto* obj = new TestObject("o");
    ValueItem* v = new ValueItem(1, "v");
    obj->addAttribItem(v);
    const KvUndoReference ref = obj->reference();
    KvUndo::mark("create");
    v->set(2);
    KvUndo::mark("set");
    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    ASSERT_EQ(KvAttributedObject::dereference(ref), obj);
    EXPECT_EQ(valueOf(obj), 1);
    EXPECT_EQ(obj->getRefCount(), 0);

    // The same for the object undo rebuilt after its deletion.
    ASSERT_TRUE(KvUndo::redo());
    obj->destroy();
    KvUndo::mark("delete");
    ASSERT_TRUE(KvUndo::undo());
    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    auto* back = dynamic_cast<TestObject*>(KvAttributedObject::dereference(ref));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(valueOf(back), 1);
    EXPECT_EQ(Census<TestObject>::live(), 1);

    // A held object still goes, once, when its last holder lets go of it on
    // hearing of the undo.
    KvRefPtr<TestObject> held = back;
    ASSERT_TRUE(KvUndo::redo());
    Recorder rec;
    rec.watch(back);
    rec.onAction = [&held](KvAction*) { held = nullptr; };
    ASSERT_TRUE(KvUndo::undo());
    KvActionQueue::process();
    EXPECT_EQ(rec.take(), (Log{"Update:o", "Purge:o"}));
    EXPECT_EQ(Census<TestObject>::live(), 0);
}

TEST_F(AttributedObjectUndoTest, ItemsThatCannotBeRebuiltAreLeftOut) {
    KvRefPtr<TestObject> obj = new TestObject("o");
    obj->addAttribItem(new SharedItem("s"));  // its state rebuilds nothing
    obj->addAttribItem(new ValueItem(3, "v"));
    KvUndo::mark("create");
    obj->removeAllAttributes();
    KvUndo::mark("clear");
    KvActionQueue::process();
    EXPECT_TRUE(Census<SharedItem>::all.empty());

    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(obj->getAttribItemOfType(SharedItem::getClassTypeId()), nullptr);
    EXPECT_EQ(valueOf(obj.get()), 3);
}

TEST_F(AttributedObjectUndoTest, StatesCompareByTheirItemReferences) {
    KvRefPtr<TestObject> obj = new TestObject("o");
    obj->addAttribItem(new ValueItem(1, "v"));
    KvUndo::mark("create");
    TestObjectState first(*obj);
    obj->updateModificationTime();
    TestObjectState sameItems(*obj);
    obj->addAttribItem(new RedItem(2, "red"));
    TestObjectState moreItems(*obj);
    EXPECT_TRUE(first.isPartSame(&sameItems));  // the stamp does not count
    EXPECT_FALSE(first.isPartSame(&moreItems));
    EXPECT_FALSE(first.isPartSame(nullptr));
    EXPECT_EQ(first.getObjectType(), TestObject::getClassTypeId());
    KvUndo::mark("red");
}

TEST_F(AttributedObjectUndoTest, ARefusedItemThatNobodyHoldsGoesAndLeavesNoStep) {
    KvRefPtr<TestObject> obj = new TestObject("o");
    obj->addAttribItem(new ValueItem(1, "a"));
    KvUndo::mark("add");
    ValueItem* first = static_cast<ValueItem*>(obj->getAttribItemOfType(ValueItem::getClassTypeId()));
    first->set(2);
    KvUndo::mark("set");

    EXPECT_FALSE(obj->addAttribItem(new ValueItem(3, "refused")));
    KvActionQueue::process();
    EXPECT_EQ(Census<ValueItem>::live(), 1) << "the refused item went";
    checkState("after the refusal", 2, {"set", "add"}, {});
    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(valueOf(obj.get()), 1) << "undo takes back the last marked step";

    // An item the caller holds is the caller's.
    KvRefPtr<ValueItem> kept(new ValueItem(4, "kept"));
    EXPECT_FALSE(obj->addAttribItem(kept.get()));
    EXPECT_FALSE(kept->isDying());
    EXPECT_EQ(kept->getRefCount(), 1);
}
