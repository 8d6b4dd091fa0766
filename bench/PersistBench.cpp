// Saving and reading a model of N framework entity instances: two nested
// frameworks, N entities in the inner one, each seen through the path of
// both, and one group per 100 entities. A save writes the frameworks, the
// entities, the instances and the groups; a load reads them back into a fresh
// model. Compare items_per_second with the
// entity rates of BM_DataStoreWrite and BM_DataStoreRead.

#include "BenchFrameworkModel.h"

#include <KvActionQueue.h>
#include <KvBase.h>
#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvFrameworkBase.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityInstance.h>
#include <KvFrameworkEntityInstanceSet.h>
#include <KvFrameworkPath.h>
#include <KvTSObjectGroup.h>

#include <benchmark/benchmark.h>

#include <QFileInfo>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using kvbench::Entity;
using kvbench::Framework;

class FrameworkHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const Framework* f = dynamic_cast<const Framework*>(entity);
        if (!f || !store.openSection(key, shared)) return false;
        kv::vector<const KvGenre*> children;
        for (const KvRefPtr<Framework>& c : f->getChildren())
            children.push_back(c.get());
        store.writeReferenceArray("Children", children, true);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        auto* f = new Framework;
        kv::vector<KvGenre*> children;
        store.readReferenceArray("Children", children);
        for (KvGenre* c : children)
            if (Framework* child = dynamic_cast<Framework*>(c)) f->add(child);
        entity = f;
        return store.closeSection();
    }
};

class EntityHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const Entity* e = dynamic_cast<const Entity*>(entity);
        if (!e || !store.openSection(key, shared)) return false;
        store.writeReference("Framework", e->getFramework());
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        KvGenre* framework = nullptr;
        store.readReference("Framework", framework);
        entity = new Entity(dynamic_cast<Framework*>(framework));
        return store.closeSection();
    }
};

void registerHandlers() {
    static bool done = [] {
        KvBase::init();
        KvDataStore::addEntityType(KvFrameworkBase::getClassTypeId(), new FrameworkHandler);
        KvDataStore::addEntityType(KvFrameworkEntity::getClassTypeId(), new EntityHandler);
        return true;
    }();
    (void)done;
}

struct Model {
    KvRefPtr<Framework> root;
    std::vector<KvRefPtr<Entity>> entities;
    std::vector<KvRefPtr<KvFrameworkEntityInstance>> instances;
    std::vector<KvRefPtr<KvTSObjectGroup>> groups;

    // Destroys the groups and instances, then the entities and frameworks.
    void clear() {
        groups.clear();
        instances.clear();
        KvActionQueue::process();
        entities.clear();
        root = nullptr;
        KvActionQueue::process();
    }
};

constexpr size_t kGroupSize = 100;

void build(Model& m, size_t n) {
    m.root = new Framework;
    auto* inner = new Framework;
    m.root->add(inner);
    KvFrameworkPath path;
    path.set({m.root.get(), inner});
    for (size_t i = 0; i < n; ++i) {
        m.entities.emplace_back(new Entity(inner));
        m.instances.emplace_back(KvFrameworkEntityInstance::get(path, m.entities.back().get()));
    }
    for (size_t first = 0; first < n; first += kGroupSize) {
        KvFrameworkEntityArray1 members;
        for (size_t i = first; i < std::min(n, first + kGroupSize); ++i)
            members.push_back(m.entities[i].get());
        m.groups.emplace_back(new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId()));
        m.groups.back()->addObjectList(members);
    }
}

std::string storePath() { return std::string(KV_BENCH_TMPDIR) + "/persist-bench.kvds"; }

// The group records first, then their member lists under the same keys: the
// members refer to entities written before.
void saveGroups(KvDataStore& store, const Model& m) {
    store.openSection("Groups");
    for (size_t i = 0; i < m.groups.size(); ++i)
        store.writeEntity(std::to_string(i), m.groups[i].get());
    store.closeSection();
    store.openSection("GroupMembers");
    for (size_t i = 0; i < m.groups.size(); ++i)
        m.groups[i]->saveMembers(KvString(std::to_string(i)), store);
    store.closeSection();
}

bool loadGroups(const KvDataStore& store, Model& m) {
    if (!store.enterSection("Groups")) return false;
    const kv::vector<KvString> keys = store.listKeys();
    for (const KvString& key : keys)
        m.groups.emplace_back(dynamic_cast<KvTSObjectGroup*>(store.readEntity(key)));
    store.closeSection();
    if (!store.enterSection("GroupMembers")) return false;
    for (size_t i = 0; i < keys.size(); ++i)
        if (m.groups[i]) m.groups[i]->loadMembers(keys[i], store);
    return store.closeSection();
}

bool save(const Model& m) {
    KvDataStore store;
    if (!store.create(KvString(storePath()))) return false;
    store.writeEntity("Root", m.root.get());
    store.openSection("Entities");
    for (size_t i = 0; i < m.entities.size(); ++i)
        store.writeEntity(std::to_string(i), m.entities[i].get());
    store.closeSection();
    KvFrameworkEntityInstance::saveAll("Instances", store, KvFrameworkEntityInstanceSet());
    saveGroups(store, m);
    return store.close();
}

// Reads the model; the instances are taken before the store lets go of them.
bool load(Model& m) {
    KvDataStore store;
    if (!store.open(KvString(storePath()))) return false;
    m.root = dynamic_cast<Framework*>(store.readEntity("Root"));
    if (!m.root || !store.enterSection("Entities")) return false;
    for (const KvString& key : store.listKeys())
        m.entities.emplace_back(dynamic_cast<Entity*>(store.readEntity(key)));
    store.closeSection();
    if (!KvFrameworkEntityInstance::load("Instances", store) || !loadGroups(store, m)) return false;
    if (m.root->getChildren().empty()) return false;
    KvFrameworkPath path;
    path.set({m.root.get(), m.root->getChildren().front().get()});
    for (const KvRefPtr<Entity>& e : m.entities)
        if (KvFrameworkEntityInstance* instance = KvFrameworkEntityInstance::find(path, e.get()))
            m.instances.emplace_back(instance);
    return !store.hasFailed();
}

void setCounters(benchmark::State& state, size_t n) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["file_bytes_per_instance"] =
        static_cast<double>(QFileInfo(QString::fromStdString(storePath())).size()) / static_cast<double>(n);
}

}  // namespace

static void BM_SaveModel(benchmark::State& state) {
    registerHandlers();
    const size_t n = static_cast<size_t>(state.range(0));
    Model m;
    build(m, n);
    for (auto _ : state) {
        if (!save(m)) state.SkipWithError("saving the model failed");
    }
    setCounters(state, n);
    m.clear();
}
BENCHMARK(BM_SaveModel)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_LoadModel(benchmark::State& state) {
    registerHandlers();
    const size_t n = static_cast<size_t>(state.range(0));
    {
        Model m;
        build(m, n);
        if (!save(m)) state.SkipWithError("saving the model failed");
        m.clear();
    }
    for (auto _ : state) {
        Model m;
        const bool ok = load(m);
        state.PauseTiming();
        size_t grouped = 0;
        for (const KvRefPtr<KvTSObjectGroup>& g : m.groups)
            grouped += g ? g->getObjectCount() : 0;
        if (!ok || m.instances.size() != n || KvFrameworkEntityInstance::getNumInstances() != n || grouped != n)
            state.SkipWithError("read back wrong");
        m.clear();
        state.ResumeTiming();
    }
    setCounters(state, n);
}
BENCHMARK(BM_LoadModel)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
