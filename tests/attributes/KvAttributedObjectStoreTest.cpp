#include <KvTestAttributes.h>

#include <KvFileClosePurger.h>

#include <gtest/gtest.h>

#include <memory>

using namespace kvtest;

namespace {

// Not worth keeping: never written.
class ScratchItem : public SharedItem {
    ATTR_TEST_TYPE(ScratchItem, "TestScratchItem", SharedItem)
    using SharedItem::SharedItem;
    bool shouldBeSaved() const override { return false; }
};

// An item whose handler is gone by the time the file is read. Its type hangs
// directly under the item base, so that no ancestor's handler stands in.
class GhostItem : public SharedItem {
    ATTR_TEST_TYPE(GhostItem, "TestGhostItem", KvAttributeItem)
    using SharedItem::SharedItem;
};

class AttributedObjectStoreTest : public AttributesTest {
protected:
    static bool writeFile(const std::string& path, const std::function<void(KvDataStore&)>& body) {
        KvDataStore store;
        if (!store.create(path.c_str())) return false;
        body(store);
        return store.close();
    }

    // Reads the object under `key` from a fresh store; `errors` gets the
    // store's messages. The object comes back referenced, or null.
    static KvRefPtr<TestObject> readObject(const std::string& path, const char* key, Log* errors = nullptr,
                                           bool* ok = nullptr) {
        KvDataStore store;
        EXPECT_TRUE(store.open(path.c_str()));
        KvGenre* entity = nullptr;
        const bool read = store.readEntity(key, entity);
        if (ok) *ok = read;
        KvRefPtr<TestObject> obj = dynamic_cast<TestObject*>(entity);
        if (errors) *errors = toLog(store.getErrors());
        return obj;
    }
};

}  // namespace

TEST_F(AttributedObjectStoreTest, ObjectsComeBackFromAFileWithTheirItemsAndSharing) {
    const std::string path = tmpPath("attributed-roundtrip.kvd");
    {
        KvRefPtr<TestObject> o1 = new TestObject("one");
        KvRefPtr<TestObject> o2 = new TestObject("two");
        KvRefPtr<TestObject> bare = new TestObject("bare");
        SharedItem* shared = new SharedItem("shared");
        o1->addAttribItem(new ValueItem(1, "v"));
        o1->addAttribItem(new RedItem(2, "red"));
        o1->addAttribItem(new BlueItem(3, "blue"));
        o1->addAttribItem(shared);
        o1->addAttribItem(new ScratchItem("scratch"));
        o2->addAttribItem(shared);
        o2->addAttribItem(new ValueItem(4, "v2"));
        ASSERT_TRUE(writeFile(path, [&](KvDataStore& store) {
            EXPECT_TRUE(store.writeEntity("o1", o1.get()));
            EXPECT_TRUE(store.writeEntity("o2", o2.get()));
            EXPECT_TRUE(store.writeEntity("bare", bare.get()));
        }));
    }
    KvActionQueue::process();
    EXPECT_TRUE(Census<TestObject>::all.empty());
    hookLog().clear();

    KvDataStore store;
    ASSERT_TRUE(store.open(path.c_str()));
    // Items sit in "Attributes" in type order, keyed by their type's lineage.
    ASSERT_TRUE(store.enterSection("o1"));
    ASSERT_TRUE(store.enterSection("Attributes"));
    EXPECT_EQ(toLog(store.listKeys()),
              (Log{BlueItem::getClassTypeId().describe().str(), RedItem::getClassTypeId().describe().str(),
                   SharedItem::getClassTypeId().describe().str(),
                   "TestValueItem < AttributeItem < UndoObject < ObservedObject < Object < Genre"}));
    store.closeSection();
    store.closeSection();

    KvRefPtr<TestObject> o1 = dynamic_cast<TestObject*>(store.readEntity("o1"));
    KvRefPtr<TestObject> o2 = dynamic_cast<TestObject*>(store.readEntity("o2"));
    KvRefPtr<TestObject> bare = dynamic_cast<TestObject*>(store.readEntity("bare"));
    ASSERT_TRUE(o1 && o2 && bare);
    EXPECT_TRUE(store.getErrors().empty());
    EXPECT_EQ(o1->name, "one");
    EXPECT_EQ(o1->getAttributes().size(), 4);
    EXPECT_EQ(itemOf<ValueItem>(o1.get())->value, 1);
    EXPECT_EQ(itemOf<RedItem>(o1.get())->value, 2);
    EXPECT_EQ(itemOf<BlueItem>(o1.get())->value, 3);
    EXPECT_EQ(itemOf<ScratchItem>(o1.get()), nullptr);
    EXPECT_EQ(itemOf<ValueItem>(o2.get())->value, 4);
    const SharedItem* shared = itemOf<SharedItem>(o1.get());
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->name, "shared");
    EXPECT_EQ(itemOf<SharedItem>(o2.get()), shared);
    EXPECT_TRUE(shared->isShared());
    EXPECT_EQ(shared->getRefCount(), 2);
    EXPECT_TRUE(bare->getAttributes().isEmpty());
    EXPECT_TRUE(hookLog().empty());  // loading runs no postAdd
}

TEST_F(AttributedObjectStoreTest, ABrokenAttributesSectionKeepsWhatWasReadAndFailsTheRead) {
    const std::string path = tmpPath("attributed-broken.kvd");
    {
        KvRefPtr<ValueItem> v = new ValueItem(1, "v");
        KvRefPtr<RedItem> red = new RedItem(2, "red");
        // Cut short: a plain value where an item should be.
        KvRefPtr<TestObject> cut = new TestObject("cut");
        cut->forge = [&](KvDataStore& store) {
            store.openSection("Attributes");
            store.writeEntity(ValueItem::getClassTypeId().describe(), v.get());
            store.writeInt("junk", 5);
            store.writeEntity(RedItem::getClassTypeId().describe(), red.get());
            store.closeSection();
        };
        // A name that is no item.
        KvRefPtr<TestObject> badName = new TestObject("badname");
        badName->forge = [](KvDataStore& store) { store.writeString("Name", "plain"); };
        // No "Attributes" at all: nothing to complain about.
        KvRefPtr<TestObject> none = new TestObject("none");
        ASSERT_TRUE(writeFile(path, [&](KvDataStore& store) {
            EXPECT_TRUE(store.writeEntity("cut", cut.get()));
            EXPECT_TRUE(store.writeEntity("badname", badName.get()));
            EXPECT_TRUE(store.writeEntity("none", none.get()));
        }));
    }
    KvActionQueue::process();
    resetCounts();

    Log errors;
    bool ok = true;
    EXPECT_FALSE(readObject(path, "cut", &errors, &ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(errors, (Log{"Entry 'junk' is an int, not an entity", "Expected an attribute item"}));
    // The item read before the fault went with the half-read object.
    KvActionQueue::process();
    EXPECT_EQ(Census<ValueItem>::made, 1);
    EXPECT_EQ(Census<ValueItem>::all.size(), 0u);

    EXPECT_FALSE(readObject(path, "badname", &errors, &ok));
    EXPECT_EQ(errors, (Log{"Entry 'Name' is a string, not an entity", "Expected a name attribute item"}));

    KvRefPtr<TestObject> none = readObject(path, "none", &errors, &ok);
    ASSERT_TRUE(none);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(none->name, "none");
}

TEST_F(AttributedObjectStoreTest, AnUnknownAttributeTypeIsReportedAndNothingIsLeftBehind) {
    const std::string path = tmpPath("attributed-unknown.kvd");
    static KvSimpleAttrIOHandler<GhostItem> ghostHandler;
    KvDataStore::addEntityType(GhostItem::getClassTypeId(), &ghostHandler);
    {
        KvRefPtr<TestObject> obj = new TestObject("haunted");
        obj->addAttribItem(new BlueItem(1, "blue"));
        obj->addAttribItem(new GhostItem("boo"));
        obj->addAttribItem(new ValueItem(2, "v"));
        ASSERT_TRUE(writeFile(path, [&](KvDataStore& store) { EXPECT_TRUE(store.writeEntity("obj", obj.get())); }));
    }
    KvDataStore::addEntityType(GhostItem::getClassTypeId(), nullptr);

    Log errors;
    bool ok = true;
    EXPECT_FALSE(readObject(path, "obj", &errors, &ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(errors, (Log{"No entity handler for type 'TestGhostItem'", "Expected an attribute item"}));
    KvActionQueue::process();
    EXPECT_EQ(Census<SharedItem>::made, 1);  // the ghost was never rebuilt
}

TEST_F(AttributedObjectStoreTest, HandlersRefuseItemsOfAnotherClass) {
    KvDataStore store;
    ASSERT_TRUE(store.create(tmpPath("attributed-refused.kvd").c_str()));
    KvRefPtr<SharedItem> wrong = new SharedItem("wrong");
    KvSimpleAttrIOHandler<ValueItem> simple;
    KvComplexAttrIOHandler<BlueItem> complex;
    EXPECT_FALSE(simple.write(store, "a", true, wrong.get()));
    EXPECT_FALSE(complex.write(store, "b", true, wrong.get()));
    EXPECT_FALSE(store.hasKey("a"));
    EXPECT_FALSE(store.hasKey("b"));
    EXPECT_EQ(toLog(store.getErrors()),
              (Log{"Invalid entity type for this handler", "Invalid entity type for this handler"}));
}

TEST_F(AttributedObjectStoreTest, ItemsMarkedForTheStoreArePurgedFromTheirOwnersWhenItGoes) {
    auto store = std::make_unique<KvDataStore>();
    KvRefPtr<TestObject> o1 = new TestObject("o1");
    KvRefPtr<TestObject> o2 = new TestObject("o2");
    SharedItem* s = new SharedItem("s");
    SharedItem* loose = new SharedItem("loose");  // in no owner: the purger alone holds it
    ValueItem* v = new ValueItem(1, "v");
    o1->addAttribItem(s);
    o2->addAttribItem(s);
    o2->addAttribItem(v);
    Log log;
    Recorder watcher("w", &log);
    watcher.watch(s);
    watcher.watch(o1.get());

    s->purgeOnFileClose(*store);
    loose->purgeOnFileClose(*store);
    auto* purger = static_cast<KvFileClosePurger*>(store->getAttribute(KvFileClosePurger::getClassTypeId()));
    ASSERT_NE(purger, nullptr);
    EXPECT_EQ(purger->getNumItems(), 2u);
    EXPECT_EQ(s->getRefCount(), 3);

    store.reset();
    // Once from the purger, once more when the last owner let go of it.
    EXPECT_EQ(log, (Log{"w<-Purge:s", "w<-Purge:s"}));
    EXPECT_EQ(itemOf<SharedItem>(o1.get()), nullptr);
    EXPECT_EQ(itemOf<SharedItem>(o2.get()), nullptr);
    EXPECT_EQ(itemOf<ValueItem>(o2.get()), v);
    EXPECT_TRUE(Census<SharedItem>::all.empty());
    EXPECT_EQ(Census<SharedItem>::deleted, 2);
}
