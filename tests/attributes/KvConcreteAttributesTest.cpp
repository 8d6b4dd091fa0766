#include <KvColorAttribute.h>
#include <KvFrameworkBase.h>
#include <KvLegacyMode.h>
#include <KvNameAttribute.h>
#include <KvOGASourceAttribute.h>
#include <KvRenderAttribute.h>
#include <KvTestAttributes.h>
#include <KvTestFrameworks.h>
#include <KvTestUndo.h>
#include <KvUnresolvedIdsAttr.h>

using namespace kvtest;

namespace {

// A framework that takes the name items it registers (as an application's
// does), so that they release their names there, and logs restores.
class NamingFramework : public TestFramework {
public:
    using TestFramework::TestFramework;
    KvString registerEntityName(KvNameAttribute* attribute, const KvString& oldName, const KvString& newName) override {
        if (newName.isNull()) {
            log.push_back("release:" + oldName.str());
            names.erase(oldName.str());
            return KvString();
        }
        KvString given = TestFramework::registerEntityName(attribute, oldName, newName);
        setWithNameAttribute(attribute);
        return given;
    }
    void restoreEntityName(KvNameAttribute* attribute, const KvString& oldName, const KvString& restoredName) override {
        log.push_back("restore:" + oldName.str() + ">" + restoredName.str());
        TestFramework::restoreEntityName(attribute, oldName, restoredName);
    }
    Log log;
};

class AttrTest : public UndoTest {
protected:
    void SetUp() override {
        UndoTest::SetUp();
        registerTestHandlers();
        resetCounts();
        Census<TestFramework>::reset();
    }
    void TearDown() override {
        if (framework) {
            framework->setActive(nullptr);
            framework = nullptr;
        }
        forgetHistory();
        destroyAll<TestObject>();
        UndoTest::TearDown();
        expectAllGone();
        expectAllDeleted<TestFramework>();
    }
    NamingFramework* activate() {
        framework = new NamingFramework("fw");
        framework->setActive(framework.get());
        return framework.get();
    }
    static std::string nameOfItem(const KvAttributeItem* item) {
        const KvNameAttribute* n = KvNameAttribute::cast(item);
        return n ? n->getName().str() : "?";
    }

    KvRefPtr<NamingFramework> framework;
};

const KvNameAttribute* nameItem(const KvAttributedObject* obj) { return itemOf<KvNameAttribute>(obj); }

KvString attrName(const KvAttributedObject* obj) { return obj->name(); }

}  // namespace

TEST_F(AttrTest, NameRegistersWithItsFramework) {
    NamingFramework* fw = activate();
    KvRefPtr<TestObject> a(new TestObject("a")), b(new TestObject("b"));
    Recorder rec;
    rec.watch(a.get());
    EXPECT_TRUE(a->setName("wall"));
    EXPECT_EQ(nameItem(a.get())->getFramework(), fw);
    rec.take();

    // The same name: true, and nobody hears of it.
    auto* item = const_cast<KvNameAttribute*>(nameItem(a.get()));
    EXPECT_TRUE(item->setName("wall"));
    KvActionQueue::process();
    EXPECT_TRUE(rec.take().empty());

    // A taken name: the framework hands out another, which is stored.
    b->setName("block");
    auto* bItem = const_cast<KvNameAttribute*>(nameItem(b.get()));
    EXPECT_FALSE(bItem->setName("wall"));
    EXPECT_EQ(attrName(b.get()), KvString("wall-2"));
    // Renaming releases the old name in the framework.
    EXPECT_EQ(fw->names.count("block"), 0u);

    // Copies and splits of a name are named after it.
    kv::vector<KvAttributeItem*> out;
    Log names;
    auto collect = [&] {
        for (KvAttributeItem* i : out) {
            names.push_back(nameOfItem(i));
            KvRefPtr<KvAttributeItem> drop(i);
        }
    };
    item->copy(3, out);
    collect();
    item->split(2, out);
    collect();
    item->copy(1, out);  // one copy is registered anew
    collect();
    EXPECT_EQ(names, (Log{"wall-copy-1", "wall-copy-2", "wall-copy-3", "wall-split-1", "wall-split-2", "wall-3"}));
    KvActionQueue::process();
    EXPECT_EQ(fw->names.count("wall-copy-1"), 0u);

    // Leaving the framework releases the name there.
    rec.unwatch(a.get());
    a = nullptr;
    KvActionQueue::process();
    EXPECT_EQ(fw->names.count("wall"), 0u);
}

TEST_F(AttrTest, NameItemsAreSharedOutsideACloneLock) {
    activate();
    KvRefPtr<TestObject> a(new TestObject("a"));
    a->setName("pipe");
    KvRefPtr<TestObject> copy(new TestObject(*a));
    EXPECT_EQ(nameItem(copy.get()), nameItem(a.get()));

    // Renaming one owner of a shared item gives it an item of its own.
    EXPECT_TRUE(copy->setName("duct"));
    EXPECT_NE(nameItem(copy.get()), nameItem(a.get()));
    EXPECT_EQ(attrName(a.get()), KvString("pipe"));
    EXPECT_EQ(attrName(copy.get()), KvString("duct"));

    KvRefPtr<TestObject> locked;
    {
        KvNameAttributeCloneLock lock;
        KvNameAttributeCloneLock nested;
        locked = new TestObject(*a);
    }
    EXPECT_NE(nameItem(locked.get()), nameItem(a.get()));
    EXPECT_EQ(attrName(locked.get()), KvString("pipe-2"));
    KvNameAttribute::clearCloneFlag();
    EXPECT_EQ(KvNameAttribute::getCloneFlag(), 0);
    KvRefPtr<TestObject> after(new TestObject(*a));
    EXPECT_EQ(nameItem(after.get()), nameItem(a.get()));
}

TEST_F(AttrTest, NameUndoReregistersAfterTheRestore) {
    NamingFramework* fw = activate();
    KvRefPtr<TestObject> a(new TestObject("a"));
    a->setName("inlet");
    KvUndo::mark("name");
    const_cast<KvNameAttribute*>(nameItem(a.get()))->setName("outlet");
    KvUndo::mark("rename");
    fw->log.clear();

    ASSERT_TRUE(KvUndo::undo());
    EXPECT_EQ(attrName(a.get()), KvString("inlet"));
    EXPECT_EQ(fw->log, (Log{"restore:outlet>inlet"}));
    EXPECT_EQ(fw->names.count("inlet"), 1u);
    EXPECT_EQ(fw->names.count("outlet"), 0u);
    ASSERT_TRUE(KvUndo::redo());
    EXPECT_EQ(attrName(a.get()), KvString("outlet"));
}

TEST_F(AttrTest, ColourAndRenderSettersChangeSharedItems) {
    KvRefPtr<TestObject> a(new TestObject("a")), b(new TestObject("b"));
    KvColor c;
    EXPECT_FALSE(a->getRGB(c));
    a->setRGBA(KvColor(0.0f, 0.0f, 1.0f, 0.5f));
    a->setRGB(KvColor(1.0f, 0.0f, 0.0f, 1.0f));
    ASSERT_TRUE(a->getRGBA(c));
    EXPECT_EQ(c, KvColor(1.0f, 0.0f, 0.0f, 0.5f));

    // One item carried by two owners: a change reaches both.
    auto* colour = const_cast<KvColorAttribute*>(itemOf<KvColorAttribute>(a.get()));
    b->addAttribItem(colour);
    Recorder rec;
    rec.watch(a.get());
    rec.watch(b.get());
    b->setAlpha(0.25f);
    float alpha = 0;
    ASSERT_TRUE(a->getAlpha(alpha));
    EXPECT_EQ(alpha, 0.25f);
    // The setters notify even when nothing changes.
    colour->setAlpha(0.25f);
    KvActionQueue::process();
    EXPECT_EQ(rec.take().size(), 4u);

    KvRenderSettings settings;
    settings.setLineWidth(3);
    a->setRenderSettings(settings);
    KvRenderSettings back;
    ASSERT_TRUE(a->getRenderSettings(back));
    EXPECT_EQ(back.getLineWidth(), 3u);
    KvUndo::mark("style");
    settings.setLineWidth(5);
    a->setRenderSettings(settings);
    a->setRGBA(KvColor(0.0f, 1.0f, 0.0f, 1.0f));
    KvUndo::mark("restyle");
    ASSERT_TRUE(KvUndo::undo());
    a->getRenderSettings(back);
    EXPECT_EQ(back.getLineWidth(), 3u);
    a->getRGBA(c);
    EXPECT_EQ(c, KvColor(1.0f, 0.0f, 0.0f, 0.25f));
}

TEST_F(AttrTest, AttributesSaveAndLoadThroughFiles) {
    NamingFramework* fw = activate();
    KvRefPtr<TestObject> a(new TestObject("a"));
    a->setName("inlet");
    a->setRGBA(KvColor(0.2f, 0.4f, 0.6f, 0.8f));
    KvRenderSettings settings;
    settings.setDisplayStyle(2);
    settings.setIsolines(KvIndex2(3, 4));
    a->setRenderSettings(settings);
    KvRefPtr<KvOGASourceAttribute> source(new KvOGASourceAttribute);
    source->setValue(true);
    a->addAttribItem(source.get());
    KvRefPtr<KvUnresolvedIdsAttr> ids(new KvUnresolvedIdsAttr(kv::vector<uint64_t>{7, 9}));
    a->addAttribItem(ids.get());

    const std::string path = tmpPath("concrete.kvs");
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(path.c_str()));
        ASSERT_TRUE(out.writeEntity("A", a.get()));
        ASSERT_TRUE(out.close());
    }
    KvDataStore in;
    ASSERT_TRUE(in.open(path.c_str()));
    KvRefPtr<TestObject> back(TestObject::cast(in.readEntity("A")));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(in.getErrors().empty());
    // The name is registered again, and offered to the store.
    EXPECT_EQ(attrName(back.get()), KvString("inlet-2"));
    EXPECT_EQ(nameItem(back.get())->getFramework(), fw);
    EXPECT_EQ(in.findByAlternateName("inlet-2"), back.get());
    KvColor c;
    ASSERT_TRUE(back->getRGBA(c));
    EXPECT_EQ(c.trgb(), KvColor(0.2f, 0.4f, 0.6f, 0.8f).trgb());
    KvRenderSettings s;
    ASSERT_TRUE(back->getRenderSettings(s));
    EXPECT_EQ(s, settings);
    ASSERT_NE(itemOf<KvOGASourceAttribute>(back.get()), nullptr);
    EXPECT_TRUE(itemOf<KvOGASourceAttribute>(back.get())->getValue());
    EXPECT_EQ(itemOf<KvUnresolvedIdsAttr>(back.get()), nullptr);
}

TEST_F(AttrTest, OldStoresAndTypeNames) {
    // Render settings of stores before version 20 are a list of integers,
    // padded with zeros; names may be recorded under the type name "Name".
    const std::string path = tmpPath("old-render.kvs");
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(path.c_str()));
        out.setVersion(19);
        ASSERT_TRUE(out.writeUInt32Array("R", kv::vector<uint32_t>{KvColor(0.0f, 1.0f, 0.0f).trgb(), 4, 5}));
        ASSERT_TRUE(out.close());
    }
    KvDataStore in;
    ASSERT_TRUE(in.open(path.c_str()));
    KvEntityType* handler = KvDataStore::getEntityType(KvRenderAttribute::getClassTypeId());
    KvGenre* entity = nullptr;
    ASSERT_TRUE(handler->read(in, "R", entity));
    KvRefPtr<KvRenderAttribute> render(KvRenderAttribute::cast(entity));
    const KvRenderSettings& s = render->getRenderSettings();
    EXPECT_EQ(s.getSecondaryColor(), KvColor(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(s.getColorMode(), 4u);
    EXPECT_EQ(s.getSecondaryColorMode(), 5u);
    EXPECT_EQ(s.getDisplayStyle(), 0u);
    EXPECT_EQ(s.getIsolines(), KvIndex2(0, 0));
    EXPECT_EQ(s.getLineWidth(), 0u);

    EXPECT_NE(dynamic_cast<KvSimpleAttrIOHandler<KvNameAttribute>*>(KvDataStore::getEntityType(KvString("Name"))),
              nullptr);
}
