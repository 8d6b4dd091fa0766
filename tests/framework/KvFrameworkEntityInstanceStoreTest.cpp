#include <KvConstFrameworkEntityInstanceArray1.h>
#include <KvFeiIOAttribute.h>
#include <KvFrameworkEntityInstanceArray1.h>
#include <KvFrameworkEntityInstanceSet.h>
#include <KvTestFrameworks.h>
#include <KvTypes.h>

#include <gtest/gtest.h>

#include <QFile>

#include <functional>

using namespace kvtest;

namespace {

using Instance = KvFrameworkEntityInstance;

// Writes an entity as its name and framework; reads it back unreferenced.
class FwEntityHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        auto* e = dynamic_cast<const FwEntity*>(entity);
        if (!e || !store.openSection(key, shared)) return false;
        store.writeString("Name", KvString(e->name));
        store.writeReference("Framework", e->framework);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        KvString name;
        KvGenre* framework = nullptr;
        store.readString("Name", name);
        store.readReference("Framework", framework);
        entity = new FwEntity(name.str(), dynamic_cast<TestFramework*>(framework));
        return store.closeSection();
    }
};

// An instance that the store files under the type name older files used.
class LegacyInstance : public Instance {
public:
    LegacyInstance(const KvFrameworkPath& path, KvFrameworkEntity* entity) : Instance(path, entity) {}
    const KvTypeId& getTypeId() const override {
        static const KvTypeId legacy = KvTypeId::lookup("TSObjectInstance");
        return legacy;
    }
};

// "root/a/b:e1", with "*" for an outdated instance.
std::string describe(const KvGenre* g) {
    const Instance* i = Instance::cast(g);
    if (!i) return g ? "not an instance" : "null";
    auto* e = dynamic_cast<const FwEntity*>(i->getEntity());
    return i->getPath().toString('/').str() + ":" + (e ? e->name : "?") + (i->isOutdated() ? "*" : "");
}

template <class Array>
std::vector<std::string> describeAll(const Array& list) {
    std::vector<std::string> out;
    for (auto* i : list)
        out.push_back(describe(i));
    return out;
}

size_t keptBy(const KvDataStore& store) {
    auto* kept = KvFeiIOAttribute::cast(store.getAttribute(KvFeiIOAttribute::getClassTypeId()));
    return kept ? kept->getInstances().size() : 0;
}

// root holds a and b, a holds b: e1 lives in b (seen as root/a/b and
// root/b), e2 in a (root/a). Files hold the frameworks under "Root" and the
// entities in "Entities"; reading them gives a fresh model.
class InstanceStoreTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        static const bool registered = [] {
            KvDataStore::addEntityType(KvFrameworkEntity::getClassTypeId(), new FwEntityHandler);
            return true;
        }();
        (void)registered;
        root = new TestFramework("root");
        a = new TestFramework("a");
        b = new TestFramework("b");
        root->add(a.get());
        root->add(b.get());
        a->add(b.get());
        e1 = new FwEntity("e1", b.get());
        e2 = new FwEntity("e2", a.get());
        previous = KvTypes::setWarningHandler([this](const KvString& m) { warnings.push_back(m.str()); });
    }
    void TearDown() override {
        KvTypes::setWarningHandler(previous);
        held.clear();
        e1 = e2 = nullptr;
        root = a = b = nullptr;
        FrameworkTest::TearDown();
    }

    static KvFrameworkPath path(std::initializer_list<KvFrameworkBase*> frameworks) {
        kv::vector<KvRefPtr<KvFrameworkBase>> chain;
        for (KvFrameworkBase* f : frameworks)
            chain.push_back(KvRefPtr<KvFrameworkBase>(f));
        KvFrameworkPath p;
        p.set(chain);
        return p;
    }
    Instance* keep(Instance* i) {
        held.push_back(i);
        return i;
    }

    // Writes the model, then what `lists` adds; then lets go of the model.
    void write(const std::function<void(KvDataStore&)>& lists) {
        {
            KvDataStore store;
            ASSERT_TRUE(store.create(file.c_str()));
            store.writeEntity("Root", root.get());
            store.openSection("Entities");
            store.writeEntity("e1", e1.get());
            store.writeEntity("e2", e2.get());
            store.closeSection();
            lists(store);
            ASSERT_TRUE(store.close()) << store.getErrorReport().str();
        }
        held.clear();
        e1 = e2 = nullptr;
        root = a = b = nullptr;
        KvActionQueue::process();
        ASSERT_EQ(Instance::getNumInstances(), 0u);
    }
    // Opens the file and reads the model back.
    void open(KvDataStore& store) {
        ASSERT_TRUE(store.open(file.c_str())) << store.getErrorReport().str();
        readModel(store);
    }
    void readModel(const KvDataStore& store) {
        root = dynamic_cast<TestFramework*>(store.readEntity("Root"));
        ASSERT_TRUE(root && root->children.size() == 2u);
        a = root->children[0];
        b = root->children[1];
        ASSERT_TRUE(store.enterSection("Entities"));
        e1 = dynamic_cast<FwEntity*>(store.readEntity("e1"));
        e2 = dynamic_cast<FwEntity*>(store.readEntity("e2"));
        store.closeSection();
        ASSERT_TRUE(e1 && e2);
    }

    const std::string file = tmpPath("instances.kvd");
    KvRefPtr<TestFramework> root, a, b;
    KvRefPtr<FwEntity> e1, e2;
    KvFrameworkEntityInstanceArray1 held;
    std::vector<std::string> warnings;
    KvTypes::WarningHandler previous;
};

}  // namespace

TEST_F(InstanceStoreTest, CurrentAndCountedListsReadBackAsTheSameInstances) {
    Instance* viaA = keep(Instance::get(path({root.get(), a.get(), b.get()}), e1.get()));
    Instance* direct = keep(Instance::get(path({root.get(), b.get()}), e1.get()));
    Instance* inA = keep(Instance::get(path({root.get(), a.get()}), e2.get()));
    KvRefPtr<FwEntity> unsaved(new FwEntity("unsaved", b.get()));
    Instance* unnamed = keep(Instance::get(path({root.get(), b.get()}), unsaved.get()));
    direct->setOutdated();
    write([&](KvDataStore& store) {
        EXPECT_TRUE(Instance::saveAll("All", store, KvFrameworkEntityInstanceSet{inA}));
        EXPECT_TRUE(Instance::save("Picked", store, KvConstFrameworkEntityInstanceArray1{direct, unnamed, inA, viaA}));
        EXPECT_FALSE(Instance::saveAll("None", store, Instance::getAll()));
    });
    unsaved = nullptr;

    KvDataStore store;
    open(store);
    EXPECT_TRUE(Instance::load("None", store));
    EXPECT_EQ(Instance::getNumInstances(), 0u);
    EXPECT_TRUE(Instance::load("All", store));
    EXPECT_EQ(Instance::getNumInstances(), 2u) << "the excluded and the unnamed were not saved";
    KvFrameworkEntityInstanceArray1 picked;
    EXPECT_TRUE(Instance::getData("Picked", store, picked));
    EXPECT_EQ(describeAll(picked), (std::vector<std::string>{"root/b:e1*", "root/a:e2", "root/a/b:e1"}));
    EXPECT_EQ(picked[2], Instance::find(path({root.get(), a.get(), b.get()}), e1.get()));
    // A loaded instance takes a new random identifier, as a new one does.
    EXPECT_NE(picked[0]->getUuid(), picked[1]->getUuid());
    EXPECT_EQ(picked[0]->getUuid().version(), QUuid::Random);
    EXPECT_EQ(picked[0]->getUuid().variant(), QUuid::DCE);
    EXPECT_EQ(Instance::getNumInstances(), 3u);
    EXPECT_EQ(keptBy(store), 3u);

    // A record read again, even as a copy, names the instance there is.
    ASSERT_TRUE(store.enterSection("Picked"));
    EXPECT_EQ(store.readEntity("FEI1", false), picked[1]);
    EXPECT_EQ(store.readEntity("FEI1", false), picked[1]);
    store.closeSection();
    EXPECT_EQ(keptBy(store), 3u);
    EXPECT_FALSE(store.hasFailed()) << store.getErrorReport().str();
    EXPECT_TRUE(warnings.empty());
}

TEST_F(InstanceStoreTest, TheStoreKeepsWhatItMadeUntilItGoesUnlessPurgedOrReplaced) {
    keep(Instance::get(path({root.get(), a.get(), b.get()}), e1.get()));
    keep(Instance::get(path({root.get(), b.get()}), e1.get()));
    keep(Instance::get(path({root.get(), a.get()}), e2.get()));
    write([](KvDataStore& store) { Instance::saveAll("All", store, KvFrameworkEntityInstanceSet()); });

    {
        KvDataStore store;
        open(store);
        ASSERT_TRUE(Instance::load("All", store));
        ASSERT_EQ(keptBy(store), 3u);
        Instance* viaA = Instance::find(path({root.get(), a.get(), b.get()}), e1.get());
        Instance* direct = Instance::find(path({root.get(), b.get()}), e1.get());
        ASSERT_TRUE(viaA && direct);
        KvFrameworkEntity* gone = e2.get();
        e2 = nullptr;
        gone->unlink();
        KvActionQueue::process();
        EXPECT_EQ(keptBy(store), 2u) << "purged with its entity";
        viaA->replace(direct);
        KvActionQueue::process();
        EXPECT_EQ(keptBy(store), 1u);
        EXPECT_EQ(Instance::getNumInstances(), 1u);
        InstanceKeeper keeper("keeper");
        keeper.keep(direct);
        e1->reshape();
        KvActionQueue::process();
        EXPECT_EQ(keptBy(store), 1u) << "an update changes nothing";
    }
    EXPECT_EQ(Instance::getNumInstances(), 0u) << "nobody took the last one";
}

TEST_F(InstanceStoreTest, OlderLayoutsAndTypeNamesAreReadAndWarnedAbout) {
    Instance* viaA = keep(Instance::get(path({root.get(), a.get(), b.get()}), e1.get()));
    Instance* direct = keep(Instance::get(path({root.get(), b.get()}), e1.get()));
    auto* legacy = new LegacyInstance(path({root.get(), a.get()}), e2.get());
    keep(legacy);
    write([&](KvDataStore& store) {
        store.openSection("Counted");
        store.writeInt("Count", 2);
        store.writeEntity("OBJ0", direct);
        store.writeEntity("OBJ1", viaA);
        store.closeSection();
        store.openSection("Array");
        store.writeReferenceArray("Objects", kv::vector<const KvGenre*>{legacy}, true);
        store.closeSection();
        // The oldest files hold copies of the records under each entry.
        store.openSection("Copies");
        store.writeInt("Count", 3);
        store.writeEntity("TSO0", viaA, false);
        store.writeEntity("TSO1", direct, false);
        store.writeEntity("TSO2", viaA, false);
        store.closeSection();
        store.openSection("Short");
        store.writeInt("Count", 2);
        store.writeEntity("TSO0", direct);
        store.closeSection();
    });

    KvDataStore store;
    open(store);
    EXPECT_TRUE(Instance::loadOld("Missing", "Objects", store));
    EXPECT_TRUE(Instance::loadOld("Array", "Objects", store));
    EXPECT_EQ(describeAll(Instance::getAll()), (std::vector<std::string>{"root/a:e2"}));
    KvFrameworkEntityInstanceArray1 list;
    EXPECT_TRUE(Instance::loadOld("Counted", "OBJ", store, list));
    EXPECT_EQ(describeAll(list), (std::vector<std::string>{"root/b:e1", "root/a/b:e1"}));
    KvFrameworkEntityInstanceArray1 copies;
    EXPECT_TRUE(Instance::loadVeryOld("Copies", "TSO", store, copies));
    EXPECT_EQ(describeAll(copies), (std::vector<std::string>{"root/a/b:e1", "root/b:e1", "root/a/b:e1"}));
    EXPECT_EQ(copies[0], list[1]);
    EXPECT_EQ(copies[2], list[1]);
    EXPECT_EQ(keptBy(store), 3u);
    EXPECT_FALSE(store.hasFailed()) << store.getErrorReport().str();

    EXPECT_FALSE(Instance::loadVeryOld("Short", "TSO", store));
    EXPECT_FALSE(store.hasFailed()) << "a short list is only worth a warning";
    const std::string old = "Old alpha file format detected. Please resave this file.";
    EXPECT_EQ(warnings,
              (std::vector<std::string>{old, old, old, old,
                                        "Failed to read the expected number of framework entity instances.", old}));
}

TEST_F(InstanceStoreTest, ABrokenListKeepsWhatWasReadAndSaysWhy) {
    Instance* viaA = keep(Instance::get(path({root.get(), a.get(), b.get()}), e1.get()));
    KvRefPtr<FwEntity> unsaved(new FwEntity("unsaved", b.get()));
    Instance* unnamed = keep(Instance::get(path({root.get(), b.get()}), unsaved.get()));
    KvRefPtr<FwEntity> moved(new FwEntity("moved", a.get()));
    Instance* stale = keep(Instance::get(path({root.get(), a.get()}), moved.get()));
    write([&](KvDataStore& store) {
        store.openSection("Broken");
        store.writeInt("Count", 3);
        store.writeEntity("FEI0", viaA);
        store.writeEntity("FEI1", unnamed);  // its entity is not in the file
        store.writeEntity("FEI2", viaA);
        store.closeSection();
        store.openSection("Foreign");
        store.writeInt("Count", 1);
        store.writeEntity("FEI0", unsaved.get(), false);
        store.closeSection();
        // The entity is filed under another framework than the path's tail.
        moved->setFramework(b.get());
        store.writeEntity("Moved", moved.get());
        store.openSection("Stale");
        store.writeReferenceArray("Fei", kv::vector<const KvGenre*>{stale}, true);
        store.closeSection();
    });
    unsaved = moved = nullptr;

    KvDataStore store;
    open(store);
    KvFrameworkEntityInstanceArray1 list;
    EXPECT_FALSE(Instance::load("Broken", store, list));
    EXPECT_EQ(describeAll(list), (std::vector<std::string>{"root/a/b:e1"}));
    EXPECT_FALSE(Instance::load("Foreign", store, list));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(Instance::load("Stale", store));
    EXPECT_FALSE(Instance::load("Missing", store, list));
    EXPECT_EQ(toLog(store.getErrors()),
              (Log{"Invalid entity read for framework entity instance.",
                   "Failed to read the expected number of framework entity "
                   "instances.",
                   "Bad value read for framework entity instance.", "Invalid framework entity instance parameters."}));
    EXPECT_EQ(keptBy(store), 1u);
    // The foreign entity and the moved one were read for nobody.
    for (KvTSObject* e : std::set<KvTSObject*>(TSCensus::all))
        if (e != e1.get() && e != e2.get()) e->destroy();
}

TEST_F(InstanceStoreTest, DamagedFilesAreRefusedWithAReason) {
    keep(Instance::get(path({root.get(), a.get(), b.get()}), e1.get()));
    write([](KvDataStore& store) { Instance::saveAll("All", store, KvFrameworkEntityInstanceSet()); });
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();

    for (int cut : {bytes.size() / 2, bytes.size() - 3}) {
        QByteArray damaged = bytes.left(cut);
        damaged[cut / 3] = static_cast<char>(damaged[cut / 3] ^ 0x5a);
        QFile out(QString::fromStdString(file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(damaged);
        out.close();
        KvDataStore store;
        EXPECT_FALSE(store.open(file.c_str()));
        EXPECT_FALSE(store.getErrorReport().isEmpty());
        KvFrameworkEntityInstanceArray1 list;
        EXPECT_FALSE(Instance::load("All", store, list));
        EXPECT_TRUE(Instance::load("All", store)) << "nothing there to read";
        EXPECT_EQ(Instance::getNumInstances(), 0u);
    }
}

TEST_F(InstanceStoreTest, ARecordThatFailsLeavesTheFrameworksItReadToTheStore) {
    KvRefPtr<FwEntity> unsaved(new FwEntity("unsaved", b.get()));
    Instance* unnamed = keep(Instance::get(path({root.get(), a.get(), b.get()}), unsaved.get()));
    write([&](KvDataStore& store) { store.writeEntity("Orphan", unnamed); });
    unsaved = nullptr;

    KvDataStore store;
    ASSERT_TRUE(store.open(file.c_str()));
    // The record is the first to read the frameworks, and the only one to
    // hold them until it fails.
    EXPECT_EQ(store.readEntity("Orphan"), nullptr);
    EXPECT_EQ(Census<TestFramework>::live(), 3);
    readModel(store);
    EXPECT_EQ(root->children[0], a);
    EXPECT_EQ(toLog(store.getErrors()), (Log{"Invalid entity read for framework entity instance."}));
}

TEST_F(InstanceStoreTest, TheKeepingArrayLetsGoOfInstancesInAnyOrder) {
    KvRefPtr<FwEntity> e3(new FwEntity("e3", b.get()));
    Instance* first = Instance::get(path({root.get(), a.get(), b.get()}), e1.get());
    Instance* second = Instance::get(path({root.get(), a.get()}), e2.get());
    Instance* third = Instance::get(path({root.get(), b.get()}), e3.get());
    Instance* fourth = Instance::get(path({root.get(), a.get(), b.get()}), e3.get());
    {
        KvFeiTrackingArray1 array;
        for (Instance* i : {first, second, third, fourth})
            EXPECT_TRUE(array.add(i));
        EXPECT_FALSE(array.add(second));
        KvFrameworkEntity* gone = e2.get();
        e2 = nullptr;
        gone->unlink();  // the second goes; the last takes its place
        fourth->replace(third);
        KvActionQueue::process();
        EXPECT_EQ(array.size(), 2u);
        EXPECT_EQ(array.get(0), first);
        EXPECT_EQ(array.get(1), third);
        EXPECT_EQ(Instance::getNumInstances(), 2u);
    }
    EXPECT_EQ(Instance::getNumInstances(), 0u) << "let go of with the array";
}
