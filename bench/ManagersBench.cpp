// Shared parameter sets: handing out unique names in a manager when every
// set wants the same name (a scan for a free number would make the rate fall
// with N), and one change of a shared set delivered to N entities using it.

#include <KvActionQueue.h>
#include <KvAttributedObject.h>
#include <KvBase.h>
#include <KvParamSetAttribute.h>
#include <KvSharedParamSet.h>
#include <KvSharedParamSetManager.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

class Entity : public KvAttributedObject {
public:
    KvUndoState* getUndoState() const override { return nullptr; }
};

// Counts the deliveries of the set's change that reach an attribute.
class CountingAttribute : public KvParamSetAttribute {
public:
    void handleUpdateAction(KvUpdateAction* action) override {
        ++deliveries;
        KvParamSetAttribute::handleUpdateAction(action);
    }
    inline static size_t deliveries = 0;
};

}  // namespace

static void BM_ManagerUniqueNames(benchmark::State& state) {
    KvBase::init();
    const size_t n = static_cast<size_t>(state.range(0));
    const KvString wanted("inlet");
    for (auto _ : state) {
        auto* manager = new KvSharedParamSetManager;
        for (size_t i = 0; i < n; ++i)
            benchmark::DoNotOptimize(manager->createObject(wanted));
        state.PauseTiming();
        manager->deleteObjects();
        manager->destroy();
        KvActionQueue::process();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_ManagerUniqueNames)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_SharedSetFanout(benchmark::State& state) {
    KvBase::init();
    const size_t n = static_cast<size_t>(state.range(0));
    KvSharedParamSetManager* manager = KvSharedParamSetManager::getCurrentMgr();
    auto* set = KvSharedParamSet::cast(manager->createObject("fanout"));
    std::vector<KvRefPtr<Entity>> entities;
    entities.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        entities.emplace_back(new Entity);
        KvRefPtr<CountingAttribute> attr(new CountingAttribute);
        entities.back()->addAttribItem(attr.get());
        attr->attachParamSet("", set);
    }
    KvParamSet params;
    params.add("size", "", "1");
    CountingAttribute::deliveries = 0;
    long long value = 0;
    for (auto _ : state) {
        params.setValue("size", KvString::number(++value));
        set->setParams(params);
        KvActionQueue::process();
    }
    state.SetItemsProcessed(static_cast<int64_t>(CountingAttribute::deliveries));
    state.counters["deliveries_per_change"] =
        static_cast<double>(CountingAttribute::deliveries) / static_cast<double>(state.iterations());
    entities.clear();
    manager->deleteObject(set);
    KvActionQueue::process();
}
BENCHMARK(BM_SharedSetFanout)->Arg(10)->Arg(10000);
