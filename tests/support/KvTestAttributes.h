#pragma once

// Attribute items and an attributed object for tests. Every class counts the
// instances it makes and deletes and lists the living ones, so that a test can
// check that each object and item was destroyed exactly once.

#include <KvActionQueue.h>
#include <KvAttributeItemState.h>
#include <KvAttributedObject.h>
#include <KvAttributedObjectState.h>
#include <KvAttributedObjectUndoBridge.h>
#include <KvBase.h>
#include <KvComplexAttrIOHandler.h>
#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvParamSetAttribute.h>
#include <KvSharedParamSet.h>
#include <KvSimpleAttrIOHandler.h>
#include <KvTestObjects.h>

#include <gtest/gtest.h>

// The type pattern for test classes, header-only.
#define ATTR_TEST_TYPE(T, NAME, PARENT)                                                                         \
public:                                                                                                         \
    static const KvTypeId& getClassTypeId() {                                                                   \
        static const KvTypeId id(NAME, PARENT::getClassTypeId());                                               \
        return id;                                                                                              \
    }                                                                                                           \
    const KvTypeId& getTypeId() const override { return getClassTypeId(); }                                     \
    bool isOfType(const KvTypeId& id) const override { return id == getClassTypeId() || PARENT::isOfType(id); } \
    static T* cast(KvGenre* p) { return dynamic_cast<T*>(p); }                                                  \
    static const T* cast(const KvGenre* p) { return dynamic_cast<const T*>(p); }

namespace kvtest {

// Hooks of items joining and leaving owners, as "add:item>owner".
inline Log& hookLog() {
    static Log log;
    return log;
}

// An item with an int value, copied by duplicate() and saved as one value.
class ValueItem : public KvAttributeItem, public Named {
    ATTR_TEST_TYPE(ValueItem, "TestValueItem", KvAttributeItem)
    explicit ValueItem(int v = 0, std::string n = "v") : Named(std::move(n)), value(v) {
        Census<ValueItem>::born(this);
    }
    ValueItem(const ValueItem& o) : KvAttributeItem(o), Named(o.name + "'"), value(o.value) {
        Census<ValueItem>::born(this);
    }
    ValueItem(const KvDataStore& store, const char* key) : Named(key) {
        Census<ValueItem>::born(this);
        long long v = 0;
        if (!store.readInt(key, v)) store.reportError("Bad value item");
        value = static_cast<int>(v);
    }
    ~ValueItem() override { Census<ValueItem>::died(this); }

    void set(int v) {
        if (v == value) return;
        value = v;
        attributeChanged();
    }
    void save(KvDataStore& store, const char* key) const { store.writeInt(key, value); }

    KvAttributeItem* duplicate() const override { return new ValueItem(*this); }
    // The joined item holds the sum of the values.
    KvAttributeItem* join(const kv::vector<const KvAttributeItem*>& others) const override {
        ValueItem* out = static_cast<ValueItem*>(duplicate());
        for (const KvAttributeItem* o : others)
            out->value += static_cast<const ValueItem*>(o)->value;
        return out;
    }
    // With shortSplit the split yields one item too few.
    void split(size_t n, kv::vector<KvAttributeItem*>& out) const override {
        KvAttributeItem::split(shortSplit && n ? n - 1 : n, out);
    }
    void postAdd(KvAttributedObject* owner) const override;
    void postRemove(KvAttributedObject* owner) const override;
    KvUndoState* getState() const override;

    int value = 0;
    bool shortSplit = false;

protected:
    // Rebuilt by undo.
    ValueItem(const KvAttributeItemState& state, int v) : KvAttributeItem(state), Named("rebuilt"), value(v) {
        Census<ValueItem>::born(this);
    }
    friend class ValueItemState;
};

class ValueItemState : public KvAttributeItemState {
public:
    explicit ValueItemState(const ValueItem& item) : KvAttributeItemState(item), value(item.value) {}
    KvUndoObject* recreateObject() const override { return new ValueItem(*this, value); }
    void restoreObject(KvUndoObject* obj) const override {
        ValueItem* item = ValueItem::cast(obj);
        if (!item) return;
        KvAttributeItemState::restoreObject(obj);
        item->value = value;
    }
    bool isSame(const KvUndoState* other) const override {
        auto* o = dynamic_cast<const ValueItemState*>(other);
        return o && isAttributeItemStateSame(other) && o->value == value;
    }
    int value;
};

inline KvUndoState* ValueItem::getState() const { return new ValueItemState(*this); }

// Two subclasses, each a type of its own: one written as a plain value, the
// other as a section (through the complex handler).
class RedItem : public ValueItem {
    ATTR_TEST_TYPE(RedItem, "TestRedItem", ValueItem)
    using ValueItem::ValueItem;
    KvAttributeItem* duplicate() const override { return new RedItem(*this); }
};

class BlueItem : public ValueItem {
    ATTR_TEST_TYPE(BlueItem, "TestBlueItem", ValueItem)
    using ValueItem::ValueItem;
    explicit BlueItem(const KvDataStore& store) : ValueItem(0, "blue") {
        long long v = 0;
        if (!store.readInt("Value", v)) store.reportError("Bad blue item");
        value = static_cast<int>(v);
    }
    KvAttributeItem* duplicate() const override { return new BlueItem(*this); }
    void save(KvDataStore& store) const { store.writeInt("Value", value); }
};

// An item that keeps the default duplicate(), so owners' copies share it.
class SharedItem : public KvAttributeItem, public Named {
    ATTR_TEST_TYPE(SharedItem, "TestSharedItem", KvAttributeItem)
    explicit SharedItem(std::string n = "s") : Named(std::move(n)) { Census<SharedItem>::born(this); }
    SharedItem(const KvDataStore& store, const char* key) : Named(key) {
        Census<SharedItem>::born(this);
        KvString s;
        if (!store.readString(key, s)) store.reportError("Bad shared item");
        name = s.getString();
    }
    ~SharedItem() override { Census<SharedItem>::died(this); }

    void save(KvDataStore& store, const char* key) const { store.writeString(key, name.c_str()); }
    void touch() { attributeChanged(); }
    void look() { sendCosmeticUpdate(); }
    using KvAttributeItem::purgeOnFileClose;
    KvUndoState* getState() const override;
};

class SharedItemState : public KvAttributeItemState {
public:
    explicit SharedItemState(const SharedItem& item) : KvAttributeItemState(item), name(item.name) {}
    KvUndoObject* recreateObject() const override { return nullptr; }
    std::string name;
};

inline KvUndoState* SharedItem::getState() const { return new SharedItemState(*this); }

class TestObjectState;

// A concrete attributed object with a name for logs.
class TestObject : public KvAttributedObject, public Named {
    ATTR_TEST_TYPE(TestObject, "TestAttributedObject", KvAttributedObject)
    // The test's own name, not the name attribute's (name()).
    using Named::name;
    explicit TestObject(std::string n = "obj") : Named(std::move(n)) { Census<TestObject>::born(this); }
    TestObject(const TestObject& o) : KvAttributedObject(o), Named(o.name + "'") { Census<TestObject>::born(this); }
    TestObject(const TestObject& o, KvCloneMapper& mapper) : KvAttributedObject(o, mapper), Named(o.name + "^") {
        Census<TestObject>::born(this);
    }
    explicit TestObject(const KvDataStore& store) : KvAttributedObject(store), Named("") {
        KvString n;
        store.readString("ObjName", n);
        name = n.getString();
        Census<TestObject>::born(this);
    }
    TestObject(KvAttributedObjectUndoBridge* bridge, const TestObjectState& state);
    ~TestObject() override { Census<TestObject>::died(this); }
    TestObject& operator=(const TestObject& o) {
        KvAttributedObject::operator=(o);
        return *this;
    }

    KvUndoState* getUndoState() const override;
    void save(KvDataStore& store) const override {
        KvAttributedObject::save(store);
        store.writeString("ObjName", name.c_str());
    }
    using KvAttributedObject::attrUpdateObservers;

    // When set, written in place of what save() writes: for damaged records.
    std::function<void(KvDataStore&)> forge;
};

class TestObjectState : public KvAttributedObjectState {
public:
    explicit TestObjectState(const TestObject& obj) : KvAttributedObjectState(obj), name(obj.name) {}
    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override {
        return new TestObject(bridge, *this);
    }
    using KvAttributedObjectState::isPartSame;
    std::string name;
};

inline TestObject::TestObject(KvAttributedObjectUndoBridge* bridge, const TestObjectState& state)
    : KvAttributedObject(bridge, state), Named(state.name) {
    Census<TestObject>::born(this);
}

inline KvUndoState* TestObject::getUndoState() const { return new TestObjectState(*this); }

inline void ValueItem::postAdd(KvAttributedObject* owner) const {
    hookLog().push_back("add:" + name + ">" + nameOf(owner));
}
inline void ValueItem::postRemove(KvAttributedObject* owner) const {
    hookLog().push_back("remove:" + name + ">" + nameOf(owner));
}

// Writes a test object as a section holding what save() writes; reads it
// back the way entity handlers do: a failed read destroys the half-read
// object and gives null.
class TestObjectHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const TestObject* obj = TestObject::cast(entity);
        if (!obj || !store.openSection(key, shared)) return false;
        if (obj->forge)
            obj->forge(store);
        else
            obj->save(store);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        kv::detail::StoreFailureWatch watch(store);
        TestObject* obj = new TestObject(store);
        obj->ref();
        const bool failed = watch.failedSince();
        if (failed)
            obj->unref();
        else
            obj->unrefKeep();
        store.closeSection();
        if (failed) return false;
        entity = obj;
        return true;
    }
};

template <class T>
const T* itemOf(const KvAttributedObject* obj) {
    return static_cast<const T*>(obj->getAttribItemOfType(T::getClassTypeId()));
}

// The value of the object's item of `type`, -1 without one.
inline int valueOf(const KvAttributedObject* obj, const KvTypeId& type = ValueItem::getClassTypeId()) {
    const ValueItem* item = static_cast<const ValueItem*>(obj->getAttribItemOfType(type));
    return item ? item->value : -1;
}

inline Log takeHooks() {
    Log out;
    out.swap(hookLog());
    return out;
}

inline KvParamSet paramsOf(std::initializer_list<std::pair<const char*, const char*>> values) {
    KvParamSet p;
    for (const auto& [k, v] : values)
        p.add(k, "", v);
    return p;
}

// The names of the shared sets attached under `prefix`, in order.
inline Log attachedNames(const KvParamSetAttribute* attr, const char* prefix) {
    Log out;
    kv::vector<KvSharedParamSet*> sets;
    if (attr) attr->getAttachedParamSets(prefix, sets);
    for (KvSharedParamSet* s : sets)
        out.push_back(s->getName().str());
    return out;
}

// Starts the library and registers the test classes' handlers (once).
inline void registerTestHandlers() {
    static bool done = false;
    KvBase::init();
    if (done) return;
    done = true;
    KvDataStore::addEntityType(ValueItem::getClassTypeId(), new KvSimpleAttrIOHandler<ValueItem>);
    KvDataStore::addEntityType(RedItem::getClassTypeId(), new KvSimpleAttrIOHandler<RedItem>);
    KvDataStore::addEntityType(BlueItem::getClassTypeId(), new KvComplexAttrIOHandler<BlueItem>);
    KvDataStore::addEntityType(SharedItem::getClassTypeId(), new KvSimpleAttrIOHandler<SharedItem>);
    KvDataStore::addEntityType(TestObject::getClassTypeId(), new TestObjectHandler);
}

inline void resetCounts() {
    Census<ValueItem>::reset();
    Census<SharedItem>::reset();
    Census<TestObject>::reset();
    hookLog().clear();
}

// After the queue ran: everything made was deleted exactly once.
inline void expectAllGone() {
    KvActionQueue::process();
    expectAllDeleted<ValueItem>();
    expectAllDeleted<SharedItem>();
    expectAllDeleted<TestObject>();
    EXPECT_EQ(KvActionQueue::getNumPending(), 0u);
}

// Every test object and item made in a test is deleted in it, once.
class AttributesTest : public ::testing::Test {
protected:
    void SetUp() override {
        registerTestHandlers();
        resetCounts();
    }
    void TearDown() override { expectAllGone(); }
};

}  // namespace kvtest
