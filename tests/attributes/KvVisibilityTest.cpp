#include <KvTestAttributes.h>
#include <KvTestUndo.h>

#include <KvAttributedObjectArray1.h>
#include <KvConstAttributedObjectArray1.h>
#include <KvUndo.h>
#include <KvVisibilityAttrMgr.h>
#include <KvVisibilityAttribute.h>

#include <gtest/gtest.h>

#include <sstream>

using namespace kvtest;

namespace {

// An object whose masks take in those of the objects it names as supports.
class VisObject : public TestObject {
public:
    using TestObject::TestObject;
    void supportedBy(VisObject* s) {
        supports.push_back(s);
        s->dependents.push_back(this);
    }
    void getVisibilitySupportEntities(KvConstAttributedObjectArray1& out) const override {
        out.clear();
        for (VisObject* s : supports)
            out.push_back(s);
    }
    void getVisibilityDependentEntities(KvConstAttributedObjectArray1& out) const override {
        out.clear();
        for (VisObject* d : dependents)
            out.push_back(d);
    }
    std::vector<VisObject*> supports, dependents;
};

// Writes down the manager's calls.
class Manager : public KvVisibilityAttrMgr {
public:
    void layerChanged(KvAttributedObject* obj, size_t oldLayer, size_t newLayer) override {
        log.push_back("layer:" + nameOf(obj) + ":" + num(oldLayer) + ">" + num(newLayer));
    }
    void visibilityChanged(KvAttributedObject* obj, size_t oldLayer) override {
        log.push_back("visibility:" + nameOf(obj) + ":" + num(oldLayer));
    }
    void layerMaskInvalidated(KvAttributedObject* obj) override { log.push_back("stale:" + nameOf(obj)); }
    void layerMaskSettled(KvAttributedObject* obj) override { log.push_back("settled:" + nameOf(obj)); }
    static std::string num(size_t n) { return n == SIZE_MAX ? "unset" : std::to_string(n); }
    Log take() { return std::exchange(log, {}); }
    Log log;
};

std::string masks(const KvAttributedObject* obj) {
    KvLayerMask on, off;
    if (!obj->getLayerMask(on, off)) return "none";
    std::ostringstream os;
    os << on << off;
    return os.str();
}

class VisibilityTest : public AttributesTest {
protected:
    void SetUp() override {
        AttributesTest::SetUp();
        manager.setActive();
    }
    void TearDown() override {
        noManager.setActive();
        AttributesTest::TearDown();
    }
    Manager manager, noManager;
};

}  // namespace

TEST_F(VisibilityTest, MasksAreTheUnionOverSupportsAndGoStaleAlongEveryDependencyOnce) {
    // top supports left and right, both support bottom; bottom is a chain's
    // end under far.
    KvRefPtr<VisObject> top = new VisObject("top"), left = new VisObject("left"), right = new VisObject("right"),
                        bottom = new VisObject("bottom"), far = new VisObject("far");
    left->supportedBy(top.get());
    right->supportedBy(top.get());
    bottom->supportedBy(left.get());
    bottom->supportedBy(right.get());
    far->supportedBy(bottom.get());
    top->setLayer(2);
    left->setLayer(5);
    left->setEnabled(false);
    right->setLayer(3);
    bottom->setLayer(7);
    far->setLayer(1024);
    EXPECT_EQ(masks(left.get()), "{ 2 }{ 5 }");
    EXPECT_EQ(masks(right.get()), "{ 2 3 }{ }");
    EXPECT_EQ(masks(bottom.get()), "{ 2 3 7 }{ 5 }");
    EXPECT_EQ(masks(far.get()), "{ 2 3 7 1024 }{ 5 }");
    manager.take();

    // Every dependent hears once, though bottom is reached twice.
    top->setEnabled(false);
    EXPECT_EQ(manager.take(),
              (Log{"stale:top", "stale:left", "stale:bottom", "stale:far", "stale:right", "visibility:top:2"}));
    EXPECT_EQ(masks(bottom.get()), "{ 3 7 }{ 2 5 }");
    EXPECT_EQ(masks(far.get()), "{ 3 7 1024 }{ 2 5 }");

    // A layer alone marks its own masks stale first, so the invalidation
    // that follows reaches neither the manager nor any dependent.
    right->setLayer(4);
    EXPECT_EQ(manager.take(), (Log{"visibility:right:3"}));
    EXPECT_EQ(masks(right.get()), "{ 4 }{ 2 }");
    EXPECT_EQ(masks(bottom.get()), "{ 3 7 }{ 2 5 }");
    bottom->invalidateLayerMask();
    EXPECT_EQ(masks(bottom.get()), "{ 4 7 }{ 2 5 }");
    EXPECT_EQ(masks(top.get()), "{ }{ 2 }");
}

TEST_F(VisibilityTest, SettersCreateTheAttributeAndTellTheManagerInOrder) {
    KvRefPtr<TestObject> a = new TestObject("a"), b = new TestObject("b"), c = new TestObject("c");
    size_t layer = 0;
    bool enabled = false;
    EXPECT_FALSE(a->hasLayerMask());
    EXPECT_FALSE(a->getEnabled(enabled));
    EXPECT_EQ(masks(a.get()), "none");

    a->setEnabled(true);  // a default attribute, already enabled
    ASSERT_TRUE(a->getLayer(layer));
    EXPECT_EQ(layer, KvVisibilityAttribute::kUnsetLayer);
    EXPECT_EQ(manager.take(), (Log{"layer:a:1024>unset", "stale:a"}));
    a->setLayer(5000);
    ASSERT_TRUE(a->getValidatedLayer(layer));
    EXPECT_EQ(layer, 1024u);
    EXPECT_EQ(manager.take(), (Log{"visibility:a:unset"}));
    a->setLayer(1024);
    EXPECT_TRUE(manager.take().empty());

    b->setEnabled(false);
    EXPECT_EQ(manager.take(), (Log{"layer:b:1024>unset", "stale:b", "visibility:b:unset"}));

    // addLayerMask places an object that has no layer yet, and only that.
    c->addLayerMask(false, 6);
    EXPECT_EQ(masks(c.get()), "{ }{ 6 }");
    EXPECT_EQ(manager.take(), (Log{"layer:c:1024>6", "stale:c", "visibility:c:6"}));
    c->addLayerMask(true, 7);
    ASSERT_TRUE(c->getLayer(layer));
    EXPECT_EQ(layer, 6u);
    EXPECT_TRUE(manager.take().empty());

    // Renumbering keeps the order of first appearance.
    KvAttributedObjectArray1 objs{a.get(), b.get(), c.get()};
    a->setLayer(4);
    b->setLayer(9);
    c->setLayer(4);
    kv::map<size_t, size_t> mapping;
    EXPECT_TRUE(KvAttributedObject::applyLayerScheme(10, KvAttributedObject::RenumberLayers, objs, mapping));
    for (auto [obj, want] : {std::pair{a.get(), 10u}, {b.get(), 11u}, {c.get(), 10u}}) {
        obj->getLayer(layer);
        EXPECT_EQ(layer, want);
    }
    EXPECT_EQ(mapping.size(), 2);
    EXPECT_EQ(mapping.value(4), 10u);
    EXPECT_EQ(mapping.value(9), 11u);
    EXPECT_FALSE(KvAttributedObject::applyLayerScheme(1, KvAttributedObject::ImportLayerScheme(3), objs, mapping));
    manager.take();

    // Leaving an object settles it.
    c->removeAttribItemOfType(KvAttributedObject::getVisibilityAttTypeId());
    EXPECT_EQ(manager.take(), (Log{"layer:c:10>1024", "settled:c"}));
}

TEST_F(VisibilityTest, UndoRestoresValuesAndTellsTheManagerAfterTheStep) {
    KvUndo::setMaxSteps(100);
    {
        KvRefPtr<TestObject> a = new TestObject("a");
        KvUndo::mark("make");
        a->setLayer(3);
        KvUndo::mark("place");
        a->setLayer(4);
        a->setEnabled(false);
        KvUndo::mark("move");
        manager.take();

        // The state snapshot carries the visibility; the attribute's masks are
        // current when it is taken.
        std::unique_ptr<KvUndoState> state(a->getUndoState());
        const auto* vis = static_cast<KvAttributedObjectState*>(state.get())->getVisibility();
        ASSERT_NE(vis, nullptr);
        EXPECT_EQ(vis->layer, 4u);
        EXPECT_FALSE(vis->enabled);
        EXPECT_EQ(vis->disabledMask.countOn(), 1u);

        ASSERT_TRUE(KvUndo::undo());
        size_t layer = 0;
        bool enabled = false;
        ASSERT_TRUE(a->getLayer(layer) && a->getEnabled(enabled));
        EXPECT_EQ(layer, 3u);
        EXPECT_TRUE(enabled);
        // The object settles during the restore; the change is told after it.
        EXPECT_EQ(manager.take(), (Log{"settled:a", "visibility:a:4"}));
        EXPECT_EQ(masks(a.get()), "{ 3 }{ }");

        ASSERT_TRUE(KvUndo::redo());
        EXPECT_EQ(manager.take(), (Log{"settled:a", "visibility:a:3"}));
        EXPECT_EQ(masks(a.get()), "{ }{ 4 }");

        // Undoing the attribute's arrival: the object has none, and is settled.
        ASSERT_TRUE(KvUndo::undo());
        ASSERT_TRUE(KvUndo::undo());
        EXPECT_FALSE(a->hasLayerMask());
        EXPECT_EQ(manager.take(), (Log{"settled:a", "visibility:a:4", "settled:a"}));
        ASSERT_TRUE(KvUndo::redo());
        EXPECT_EQ(masks(a.get()), "{ 3 }{ }");
    }
    KvUndo::setMaxSteps(0);
}

TEST_F(VisibilityTest, StoresKeepLayerAndFlagAcrossFormats) {
    const std::string path = tmpPath("visibility.kvd");
    auto write = [&](uint32_t version, const std::function<void(KvDataStore&)>& body) {
        KvDataStore store;
        store.setVersion(version);
        ASSERT_TRUE(store.create(path.c_str()));
        body(store);
        ASSERT_TRUE(store.close());
    };
    auto read = [&](const char* key) {
        KvDataStore store;
        EXPECT_TRUE(store.open(path.c_str()));
        KvRefPtr<TestObject> obj = dynamic_cast<TestObject*>(store.readEntity(key));
        EXPECT_TRUE(store.getErrors().empty());
        size_t layer = 0;
        bool enabled = false;
        if (!obj) return std::string("null");
        if (!obj->getLayer(layer) || !obj->getEnabled(enabled)) return std::string("none");
        return Manager::num(layer) + (enabled ? " on" : " off");
    };

    {
        KvRefPtr<TestObject> a = new TestObject("a"), b = new TestObject("b");
        a->setLayer(12);
        a->setEnabled(false);
        write(KvDataStore::getCurrentVersion(), [&](KvDataStore& s) {
            s.writeEntity("a", a.get());
            s.writeEntity("b", b.get());
        });
        EXPECT_EQ(read("a"), "12 off");
        EXPECT_EQ(read("b"), "none");
    }
    // Older files: the values beside the items (before 51), then a section.
    auto oldObject = [&](uint32_t version, const std::function<void(KvDataStore&)>& attributes) {
        KvRefPtr<TestObject> o = new TestObject("o");
        o->forge = [&](KvDataStore& s) {
            s.openSection("Attributes");
            attributes(s);
            s.closeSection();
            s.writeString("ObjName", "o");
        };
        write(version, [&](KvDataStore& s) { s.writeEntity("o", o.get()); });
        return read("o");
    };
    EXPECT_EQ(oldObject(50, [](KvDataStore& s) { s.writeBool("EnabledAttribute", false); }), "unset off");
    EXPECT_EQ(oldObject(50, [](KvDataStore& s) { s.writeUInt64("LayerAttribute", 9); }), "9 on");
    // Version 51 kept the attribute's two values in a section of its own.
    write(51, [](KvDataStore& s) {
        s.openSection("vis");
        s.writeBool("Enabled", false);
        s.writeUInt64("Layer", 33);
        s.closeSection();
    });
    KvDataStore store;
    ASSERT_TRUE(store.open(path.c_str()));
    KvRefPtr<KvVisibilityAttribute> vis = new KvVisibilityAttribute(store, "vis");
    EXPECT_EQ(vis->getLayer(), 33u);
    EXPECT_FALSE(vis->getEnabled());
    EXPECT_FALSE(vis->isMaskValid());
    manager.take();
}
