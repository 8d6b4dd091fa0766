#include <KvTestAttributes.h>

#include <KvAttributedObjectArray1.h>
#include <KvCloneMapper.h>
#include <KvConstAttributedObjectArray1.h>

#include <gtest/gtest.h>

using namespace kvtest;

namespace {

using AttributedObjectTest = AttributesTest;

struct RecordingCallback : KvAttRemovalCallback {
    explicit RecordingCallback(const KvAttributedObject* o) : owner(o) {}
    void removed(KvAttributeItem* item) override {
        hookLog().push_back("removed:" + nameOf(item) + " left " + std::to_string(owner->getAttributes().size()));
    }
    const KvAttributedObject* owner;
};

// An item that a clone copies in a way of its own: it takes 100 more.
struct MappedItem : ValueItem {
    using ValueItem::ValueItem;
    KvAttributeItem* duplicate(KvCloneMapper& mapper) const override {
        seen = &mapper;
        auto* copy = new ValueItem(*this);
        copy->value += 100;
        return copy;
    }
    mutable const KvCloneMapper* seen = nullptr;
};

}  // namespace

TEST_F(AttributedObjectTest, AddReplaceSwapAndRemoveFollowTheOneItemPerTypeRule) {
    KvRefPtr<TestObject> obj = new TestObject("o");
    EXPECT_FALSE(obj->addAttribItem(nullptr));
    EXPECT_FALSE(obj->replaceAttribItem(nullptr));
    EXPECT_FALSE(obj->swapAttribItem(nullptr));
    EXPECT_FALSE(obj->removeAttribItem(nullptr));

    ValueItem* a = new ValueItem(1, "a");
    ASSERT_TRUE(obj->addAttribItem(a));
    EXPECT_EQ(a->getRefCount(), 1);
    EXPECT_TRUE(a->isObserver(obj.get()));

    // A second item of the type is refused and left to the caller.
    KvRefPtr<ValueItem> b = new ValueItem(2, "b");
    EXPECT_FALSE(obj->addAttribItem(b.get()));
    EXPECT_EQ(itemOf<ValueItem>(obj.get()), a);
    EXPECT_EQ(b->getRefCount(), 1);
    EXPECT_FALSE(obj->removeAttribItem(b.get()));  // not the item carried
    EXPECT_EQ(takeHooks(), (Log{"add:a>o"}));

    // Replacing with a different value: the old item leaves and dies.
    KvTimeStamp before = obj->getModificationTime();
    ASSERT_TRUE(obj->replaceAttribItem(b.get()));
    EXPECT_EQ(takeHooks(), (Log{"remove:a>o", "add:b>o"}));
    EXPECT_TRUE(before < obj->getModificationTime());
    KvActionQueue::process();
    EXPECT_EQ(Census<ValueItem>::deleted, 1);

    // Replacing with an unmodified copy is quiet: no hooks, same stamp.
    KvRefPtr<ValueItem> bCopy = static_cast<ValueItem*>(b->duplicate());
    before = obj->getModificationTime();
    ASSERT_TRUE(obj->replaceAttribItem(bCopy.get()));
    EXPECT_EQ(itemOf<ValueItem>(obj.get()), bCopy.get());
    EXPECT_FALSE(b->isObserver(obj.get()));
    EXPECT_TRUE(takeHooks().empty());
    EXPECT_EQ(obj->getModificationTime(), before);

    // Swap: true only for an unmodified copy, but the item is put in anyway.
    KvRefPtr<ValueItem> c = static_cast<ValueItem*>(bCopy->duplicate());
    EXPECT_TRUE(obj->swapAttribItem(c.get()));
    EXPECT_EQ(takeHooks(), (Log{"remove:b'>o", "add:b''>o"}));
    KvRefPtr<ValueItem> d = new ValueItem(4, "d");
    EXPECT_FALSE(obj->swapAttribItem(d.get()));
    EXPECT_EQ(itemOf<ValueItem>(obj.get()), d.get());
    EXPECT_EQ(takeHooks(), (Log{"remove:b''>o", "add:d>o"}));
    KvRefPtr<RedItem> r = new RedItem(5, "r");
    EXPECT_FALSE(obj->swapAttribItem(r.get()));  // nothing to swap with: added, still false
    EXPECT_EQ(itemOf<RedItem>(obj.get()), r.get());
    takeHooks();

    // Removing by type leaves the stamp alone; removing the item moves it.
    before = obj->getModificationTime();
    EXPECT_TRUE(obj->removeAttribItemOfType(RedItem::getClassTypeId()));
    EXPECT_FALSE(obj->removeAttribItemOfType(RedItem::getClassTypeId()));
    EXPECT_EQ(obj->getModificationTime(), before);
    EXPECT_TRUE(obj->removeAttribItem(d.get()));
    EXPECT_TRUE(before < obj->getModificationTime());
    EXPECT_TRUE(obj->getAttributes().isEmpty());
    EXPECT_EQ(takeHooks(), (Log{"remove:r>o", "remove:d>o"}));
    EXPECT_EQ(d->getNumObservers(), 0u);
}

TEST_F(AttributedObjectTest, RemoveAllOfABaseTypeTakesDerivedTypesAndCallsBackAfterwards) {
    KvRefPtr<TestObject> obj = new TestObject("o");
    obj->addAttribItem(new ValueItem(1, "v"));
    obj->addAttribItem(new RedItem(2, "red"));
    obj->addAttribItem(new BlueItem(3, "blue"));
    obj->addAttribItem(new SharedItem("s"));
    kv::vector<KvTypeId> types;
    obj->getAttributeTypes(types);
    ASSERT_EQ(types.size(), 4u);
    EXPECT_EQ(types[0], BlueItem::getClassTypeId());  // ascending type order
    EXPECT_EQ(types[3], ValueItem::getClassTypeId());
    takeHooks();

    EXPECT_EQ(obj->removeAllAttribItemsOfType(RedItem::getClassTypeId()), 1u);
    EXPECT_EQ(takeHooks(), (Log{"remove:red>o"}));

    obj->addAttribItem(new RedItem(2, "red"));
    takeHooks();
    RecordingCallback callback(obj.get());
    EXPECT_EQ(obj->removeAllAttribItemsOfType(ValueItem::getClassTypeId(), &callback), 3u);
    // The callback sees each item alive, after every removal.
    EXPECT_EQ(takeHooks(), (Log{"remove:blue>o", "remove:red>o", "remove:v>o", "removed:blue left 1",
                                "removed:red left 1", "removed:v left 1"}));
    KvActionQueue::process();
    EXPECT_TRUE(Census<ValueItem>::all.empty());
    EXPECT_EQ(obj->removeAllAttribItemsOfType(ValueItem::getClassTypeId(), &callback), 0u);
    ASSERT_NE(itemOf<SharedItem>(obj.get()), nullptr);
}

TEST_F(AttributedObjectTest, CopiesShareItemsThatDoNotDuplicateAndCopyTheOthers) {
    KvRefPtr<TestObject> src = new TestObject("src");
    SharedItem* s = new SharedItem("s");
    src->addAttribItem(new ValueItem(7, "v"));
    src->addAttribItem(s);
    EXPECT_FALSE(s->isShared());
    Recorder watcher;
    watcher.watch(s);  // an observer that is no owner does not share it
    EXPECT_FALSE(s->isShared());
    takeHooks();

    KvRefPtr<TestObject> copy = new TestObject(*src);
    KvCloneMapper mapper;
    KvRefPtr<TestObject> clone = new TestObject(*src, mapper);
    EXPECT_TRUE(takeHooks().empty());  // copies do not run postAdd
    for (TestObject* o : {copy.get(), clone.get()}) {
        EXPECT_EQ(itemOf<SharedItem>(o), s);
        EXPECT_NE(itemOf<ValueItem>(o), itemOf<ValueItem>(src.get()));
        EXPECT_EQ(valueOf(o), 7);
        EXPECT_FALSE(itemOf<ValueItem>(o)->isShared());
        EXPECT_EQ(o->getModificationTime(), src->getModificationTime());
    }
    EXPECT_TRUE(s->isShared());
    KvAttributedObjectArray1 owners;
    EXPECT_EQ(KvAttributedObject::getOwnersOfItem(s, owners), 3u);
    EXPECT_EQ(owners[0], src.get());
    EXPECT_EQ(owners[2], clone.get());
    KvConstAttributedObjectArray1 constOwners;
    EXPECT_EQ(KvAttributedObject::getOwnersOfItem(nullptr, constOwners), 0u);

    // Filtered copy onto an object that already has items.
    KvRefPtr<TestObject> dst = new TestObject("dst");
    dst->addAttribItem(new ValueItem(1, "keep"));
    dst->addAttribItem(new SharedItem("old"));
    KvAttributedObject::copyFilteredAttributes(src.get(), dst.get(), {ValueItem::getClassTypeId()});
    EXPECT_EQ(valueOf(dst.get()), 1);
    EXPECT_EQ(itemOf<SharedItem>(dst.get()), s);
    KvAttributedObject::copyAttributes(src.get(), dst.get());
    EXPECT_EQ(valueOf(dst.get()), 7);
    EXPECT_NE(itemOf<ValueItem>(dst.get()), itemOf<ValueItem>(src.get()));

    // Assignment starts from scratch and tells the observers.
    Recorder rec;
    rec.watch(copy.get());
    KvRefPtr<TestObject> other = new TestObject("other");
    other->addAttribItem(new RedItem(3, "red"));
    *copy = *other;
    EXPECT_EQ(valueOf(copy.get()), -1);
    EXPECT_EQ(valueOf(copy.get(), RedItem::getClassTypeId()), 3);
    EXPECT_EQ(itemOf<SharedItem>(copy.get()), nullptr);
    EXPECT_EQ(rec.take(), (Log{"Update:src'"}));

    // A clone copies an item through the item's mapper override; a plain
    // copy does not.
    KvRefPtr<TestObject> mapped = new TestObject("mapped");
    auto* item = new MappedItem(7, "m");
    mapped->addAttribItem(item);
    KvRefPtr<TestObject> mappedClone = new TestObject(*mapped, mapper);
    EXPECT_EQ(item->seen, &mapper);
    EXPECT_EQ(valueOf(mappedClone.get()), 107);
    KvRefPtr<TestObject> mappedCopy = new TestObject(*mapped);
    EXPECT_EQ(valueOf(mappedCopy.get()), 7);
}

TEST_F(AttributedObjectTest, JoinTakesEachTypeFromItsFirstSourceAndSplitNeedsAnItemPerPart) {
    KvRefPtr<TestObject> s1 = new TestObject("s1");
    KvRefPtr<TestObject> s2 = new TestObject("s2");
    KvRefPtr<TestObject> s3 = new TestObject("s3");
    SharedItem* shared = new SharedItem("sh");
    s1->addAttribItem(new RedItem(1, "r1"));
    s2->addAttribItem(new ValueItem(2, "v2"));
    s2->addAttribItem(shared);
    s3->addAttribItem(new ValueItem(3, "v3"));
    s3->addAttribItem(new RedItem(10, "r3"));
    KvRefPtr<TestObject> target = new TestObject("t");
    target->addAttribItem(new ValueItem(100, "old"));

    // s1 has no value item: s2's is joined with the later sources' only.
    KvConstAttributedObjectArray1 sources;
    for (TestObject* s : {s1.get(), s2.get(), s3.get()})
        sources.push_back(s);
    KvAttributedObject::joinAttributes(sources, target.get());
    EXPECT_EQ(valueOf(target.get()), 5);
    EXPECT_EQ(valueOf(target.get(), RedItem::getClassTypeId()), 11);
    EXPECT_EQ(itemOf<SharedItem>(target.get()), shared);
    KvAttributedObject::joinAttributes(KvConstAttributedObjectArray1{}, target.get());
    EXPECT_EQ(target->getAttributes().size(), 3);

    // The source in the target list is skipped; a short split removes the type.
    KvRefPtr<TestObject> p1 = new TestObject("p1");
    KvRefPtr<TestObject> p2 = new TestObject("p2");
    p1->addAttribItem(new RedItem(0, "stale"));
    RedItem* red = const_cast<RedItem*>(itemOf<RedItem>(target.get()));
    red->shortSplit = true;
    KvAttributedObjectArray1 parts;
    for (TestObject* p : {p1.get(), target.get(), p2.get()})
        parts.push_back(p);
    KvAttributedObject::splitAttributes(target.get(), parts);
    for (TestObject* p : {p1.get(), p2.get()}) {
        EXPECT_EQ(valueOf(p), 5);
        EXPECT_EQ(itemOf<RedItem>(p), nullptr);
        EXPECT_EQ(itemOf<SharedItem>(p), shared);
    }
    EXPECT_NE(itemOf<ValueItem>(p1.get()), itemOf<ValueItem>(p2.get()));
    EXPECT_EQ(valueOf(target.get(), RedItem::getClassTypeId()), 11);

    kv::vector<KvAttributeItem*> none;
    red->KvAttributeItem::split(0, none);
    EXPECT_TRUE(none.empty());
}

TEST_F(AttributedObjectTest, ItemChangesReachTheOwnersObserversAsAttributeActions) {
    KvRefPtr<TestObject> o1 = new TestObject("o1");
    KvRefPtr<TestObject> o2 = new TestObject("o2");
    ValueItem* v = new ValueItem(1, "v");
    SharedItem* s = new SharedItem("s");
    o1->addAttribItem(v);
    o1->addAttribItem(s);
    o2->addAttribItem(s);
    Log shared;
    Recorder r1("r1", &shared), r2("r2", &shared);
    r1.watch(o1.get());
    r2.watch(o2.get());

    KvTimeStamp before = o1->getModificationTime();
    v->set(2);
    EXPECT_TRUE(before < o1->getModificationTime());
    EXPECT_TRUE(v->getModificationTime() > before);
    s->touch();
    s->look();
    EXPECT_EQ(shared, (Log{"r1<-Attribute:o1/v", "r1<-Attribute:o1/s", "r2<-Attribute:o2/s", "r1<-Cosmetic:o1",
                           "r2<-Cosmetic:o2"}));
    shared.clear();

    // The object's own updates stamp it; cosmetic ones do not.
    before = o1->getModificationTime();
    o1->sendCosmeticUpdate();
    EXPECT_EQ(o1->getModificationTime(), before);
    o1->updateObservers();
    EXPECT_TRUE(before < o1->getModificationTime());
    o1->attrUpdateObservers(v, false, KvActionObject(&r1));  // the originator is skipped
    EXPECT_EQ(shared, (Log{"r1<-Cosmetic:o1", "r1<-Update:o1"}));
    shared.clear();

    // An item that dies is dropped by every owner.
    s->destroy();
    KvActionQueue::process();
    EXPECT_EQ(itemOf<SharedItem>(o1.get()), nullptr);
    EXPECT_EQ(itemOf<SharedItem>(o2.get()), nullptr);
    EXPECT_EQ(Census<SharedItem>::deleted, 1);

    // An object that watches an item it does not carry stops watching it.
    KvRefPtr<ValueItem> stranger = new ValueItem(0, "stranger");
    stranger->addObserver(o2.get());
    stranger->set(9);
    EXPECT_FALSE(stranger->isObserver(o2.get()));
    EXPECT_TRUE(shared.empty());

    o1->removeAllAttributes();
    EXPECT_TRUE(o1->getAttributes().isEmpty());
    EXPECT_EQ(shared, (Log{"r1<-Update:o1"}));
}
