#include <KvParamSetAttribute.h>
#include <KvRefObjectSet.h>
#include <KvSharedParamSet.h>
#include <KvTestAttributes.h>
#include <KvTestTSObjects.h>
#include <KvUndo.h>

using namespace kvtest;

namespace {

class ParamSetAttrTest : public AttributesTest {
protected:
    void SetUp() override {
        AttributesTest::SetUp();
        TSCensus::reset();
    }
    void TearDown() override {
        AttributesTest::TearDown();
        expectAllDeleted<KvTSObject>();
    }

    // The manager names the sets it makes; a test names its own.
    struct NamedSet : KvSharedParamSet {
        NamedSet(const char* name, const char* cls) {
            setName(name);
            setClass(cls);
        }
    };
    static KvSharedParamSet* newSet(const char* name, const char* cls = "User") { return new NamedSet(name, cls); }
};

}  // namespace

TEST_F(ParamSetAttrTest, LocalSetsByPrefixAndClass) {
    KvRefPtr<TestObject> obj(new TestObject("o"));
    EXPECT_EQ(obj->getParamSetAttr(), nullptr);
    KvParamSetAttribute* attr = obj->getParamSetAttr(true);
    ASSERT_NE(attr, nullptr);
    EXPECT_EQ(obj->getParamSetAttr(true), attr);

    const KvParamSet& missing = attr->params("mesh", "Surface");
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_EQ(&attr->params("other", "x"), &missing);

    Recorder rec;
    rec.watch(obj.get());
    attr->setParams("mesh", "Surface", paramsOf({{"size", "1"}}));
    attr->setParams("mesh", "Volume", paramsOf({{"size", "2"}}));
    attr->setParams("", "Solver", paramsOf({{"iters", "9"}}));
    attr->removeParams("mesh", "Volume");
    attr->clearModified("mesh", "Missing");
    KvActionQueue::process();
    EXPECT_EQ(rec.take().size(), 5u);
    EXPECT_EQ(attr->params("mesh", "Surface"), paramsOf({{"size", "1"}}));

    kv::set<KvString> classes;
    attr->fillNames("mesh", classes);
    EXPECT_EQ(classes.size(), 1u);
    EXPECT_TRUE(classes.contains(KvString("Surface")));
    kv::map<KvString, kv::set<KvString>> all;
    attr->fillNames(all);
    EXPECT_EQ(all.size(), 2u);
    EXPECT_TRUE(all.find(KvString(""))->second.contains(KvString("Solver")));
}

TEST_F(ParamSetAttrTest, AttachedSetsAreObservedOnce) {
    KvRefPtr<TestObject> obj(new TestObject("o"));
    KvParamSetAttribute* attr = obj->getParamSetAttr(true);
    KvRefPtr<KvSharedParamSet> a(newSet("a", "Mesh")), b(newSet("b", "Mesh")), c(newSet("c", "Solver"));

    attr->attachParamSet("p", a.get());
    attr->attachParamSet("q", a.get());
    attr->attachParamSet("p", a.get());
    EXPECT_EQ(attachedNames(attr, "p"), (Log{"a"}));
    EXPECT_EQ(a->getNumObservers(), 1u);
    attr->detachParamSet("p", a.get());
    EXPECT_TRUE(a->isObserver(attr));
    attr->detachParamSet("q", a.get());
    EXPECT_FALSE(a->isObserver(attr));

    attr->attachParamSet("p", a.get());
    attr->attachParamSet("p", c.get());
    attr->attachParamSet("p", b.get());
    attr->attachParamSet("q", b.get());
    // Exclusive: the other sets of its class leave the prefix's list.
    KvRefPtr<KvSharedParamSet> d(newSet("d", "Mesh"));
    attr->attachExclusiveParamSet("p", d.get());
    EXPECT_EQ(attachedNames(attr, "p"), (Log{"c", "d"}));
    EXPECT_FALSE(a->isObserver(attr));
    EXPECT_TRUE(b->isObserver(attr));  // still under "q"

    EXPECT_EQ(attr->findAttachedByClass("p", "Mesh"), d.get());
    EXPECT_EQ(attr->findAttachedByName("p", "c"), c.get());
    EXPECT_EQ(attr->findAttachedByName("x", "c"), nullptr);
    kv::vector<KvString> prefixes;
    attr->getAttachedPrefixes(b.get(), prefixes);
    EXPECT_EQ(prefixes, (kv::vector<KvString>{"q"}));
    kv::set<KvString> nameSet;
    attr->fillAttachedNames("p", "", nameSet);
    EXPECT_EQ(nameSet.size(), 2u);

    // The owners of a set are found through the attributes attached to it.
    KvRefObjectSet owners;
    d->getEntities(owners);
    EXPECT_EQ(owners.size(), 1u);
    EXPECT_TRUE(owners.contains(obj.get()));

    // Copies attach the same sets; joins merge the lists.
    KvRefPtr<TestObject> copy(new TestObject(*obj));
    d->getEntities(owners);
    EXPECT_EQ(owners.size(), 2u);
    KvRefPtr<KvSharedParamSet> e(newSet("e"));
    copy->getParamSetAttr(false)->attachParamSet("p", e.get());
    copy->getParamSetAttr(false)->setParams("m", "X", paramsOf({{"k", "2"}}));
    KvRefPtr<KvAttributeItem> joined(attr->join({copy->getParamSetAttr()}));
    const auto* j = KvParamSetAttribute::cast(joined.get());
    EXPECT_EQ(attachedNames(j, "p"), (Log{"c", "d", "e"}));
    EXPECT_EQ(j->params("m", "X"), paramsOf({{"k", "2"}}));
}

TEST_F(ParamSetAttrTest, FollowsItsSetsThroughReplaceSplitJoinAndPurge) {
    KvRefPtr<TestObject> obj(new TestObject("o"));
    KvParamSetAttribute* attr = obj->getParamSetAttr(true);
    KvRefPtr<KvSharedParamSet> a(newSet("a")), b(newSet("b")), other(newSet("other"));
    attr->attachParamSet("p", a.get());
    attr->attachParamSet("p", other.get());
    attr->attachParamSet("q", a.get());

    a->replace(b.get(), nullptr);
    EXPECT_EQ(attachedNames(attr, "p"), (Log{"b", "other"}));
    EXPECT_EQ(attachedNames(attr, "q"), (Log{"b"}));
    EXPECT_FALSE(a->isObserver(attr));
    EXPECT_TRUE(b->isObserver(attr));

    KvRefPtr<KvSharedParamSet> b1(newSet("b1")), b2(newSet("b2"));
    KvRefPtr<Multi> parts(new Multi({b1.get(), b2.get()}));
    b->replaceSplit(parts.get(), nullptr);
    EXPECT_EQ(attachedNames(attr, "p"), (Log{"b1", "b2", "other"}));
    EXPECT_EQ(attachedNames(attr, "q"), (Log{"b1", "b2"}));

    KvSharedParamSet* whole = newSet("whole");
    whole->ref();
    parts->replaceJoin(whole, nullptr);
    EXPECT_EQ(attachedNames(attr, "p"), (Log{"whole", "other"}));
    EXPECT_EQ(attachedNames(attr, "q"), (Log{"whole"}));
    EXPECT_FALSE(b1->isObserver(attr));
    EXPECT_TRUE(whole->isObserver(attr));

    // A set that goes while attached leaves every list.
    whole->unref();
    EXPECT_EQ(attachedNames(attr, "p"), (Log{"other"}));
    EXPECT_TRUE(attachedNames(attr, "q").empty());
}

TEST_F(ParamSetAttrTest, UndoRestoresTheLocalSetsOnly) {
    KvUndo::setMaxSteps(100);
    {
        KvRefPtr<TestObject> obj(new TestObject("o"));
        KvParamSetAttribute* attr = obj->getParamSetAttr(true);
        KvRefPtr<KvSharedParamSet> a(newSet("a"));
        attr->setParams("m", "X", paramsOf({{"k", "1"}}));
        KvUndo::mark("one");
        attr->setParams("m", "X", paramsOf({{"k", "2"}}));
        attr->attachParamSet("", a.get());
        KvUndo::mark("two");
        ASSERT_TRUE(KvUndo::undo());
        EXPECT_EQ(attr->params("m", "X"), paramsOf({{"k", "1"}}));
        EXPECT_EQ(attachedNames(attr, ""), (Log{"a"}));
        ASSERT_TRUE(KvUndo::redo());
        EXPECT_EQ(attr->params("m", "X"), paramsOf({{"k", "2"}}));
    }
    while (true) {
        try {
            KvUndo::popUndoLevel("end");
        } catch (const KvExcept&) {
            break;
        }
    }
    KvUndo::setMaxSteps(0);
}
