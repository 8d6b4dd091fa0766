// The framework model: following objects in tracking arrays, copying and
// interning framework paths, finding the instance of an entity in a path.

#include "BenchFrameworkModel.h"

#include <KvFrameworkBase.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityInstance.h>
#include <KvFrameworkPath.h>
#include <KvTSObjectTrackingArray1.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <vector>

namespace {

using kvbench::Entity;
using kvbench::Framework;

size_t heapInUse() { return mallinfo2().uordblks; }

// A chain of `depth` frameworks, each holding the next, root first.
KvFrameworkPath::Chain makeChain(size_t depth) {
    KvFrameworkPath::Chain chain;
    for (size_t i = 0; i < depth; ++i) {
        auto* f = new Framework;
        if (!chain.empty()) static_cast<Framework*>(chain.back().get())->add(f);
        chain.push_back(f);
    }
    return chain;
}

std::vector<KvRefPtr<Entity>> makeEntities(size_t n, KvFrameworkBase* in = nullptr) {
    std::vector<KvRefPtr<Entity>> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        out.emplace_back(new Entity(in));
    return out;
}

// Replaces every element of `array`, once each: `from[i]` by `to[i]`.
__attribute__((noinline)) void replaceAll(const std::vector<KvRefPtr<Entity>>& from,
                                          const std::vector<KvRefPtr<Entity>>& to) {
    for (size_t i = 0; i < from.size(); ++i)
        from[i]->replace(to[i].get(), nullptr);
}

}  // namespace

// Each replace finds the old object's entries through the array's index:
// the cost per element must not grow with the array.
static void BM_TrackingArrayReplace(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<KvRefPtr<Entity>> a = makeEntities(n), b = makeEntities(n);
    KvTSObjectTrackingArray1 array;
    for (const KvRefPtr<Entity>& e : a)
        array.add(e.get());
    bool forth = true;
    for (auto _ : state) {
        replaceAll(forth ? a : b, forth ? b : a);
        forth = !forth;
    }
    if (array.get(n - 1) != (forth ? a : b)[n - 1].get()) state.SkipWithError("the array did not follow");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_TrackingArrayReplace)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A copy shares the impl; equal impls compare at once.
static void BM_PathCopy(benchmark::State& state) {
    const KvFrameworkPath::Chain chain = makeChain(8);
    KvFrameworkPath path;
    path.set(chain);
    for (auto _ : state) {
        KvFrameworkPath copy(path);
        benchmark::DoNotOptimize(copy == path);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PathCopy);

// A new path over a chain that has an impl finds it.
static void BM_PathIntern(benchmark::State& state) {
    const KvFrameworkPath::Chain chain = makeChain(8);
    KvFrameworkPath existing;
    existing.set(chain);
    for (auto _ : state) {
        KvFrameworkPath path;
        path.set(chain);
        if (path.getImpl() != existing.getImpl()) state.SkipWithError("built, not found");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PathIntern);

// The instance of (path, entity) is found among the entity's observers:
// flat in the number of entities.
static void BM_InstanceLookup(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const KvFrameworkPath::Chain chain = makeChain(2);
    KvFrameworkPath path;
    path.set(chain);
    std::vector<KvRefPtr<Entity>> entities = makeEntities(n, chain.back().get());
    std::vector<KvRefPtr<KvFrameworkEntityInstance>> instances;
    instances.reserve(n);
    const size_t before = heapInUse();
    for (const KvRefPtr<Entity>& e : entities)
        instances.emplace_back(KvFrameworkEntityInstance::get(path, e.get()));
    const size_t after = heapInUse();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KvFrameworkEntityInstance::find(path, entities[i].get()));
        if (++i == n) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes_per_instance"] = static_cast<double>(after - before) / static_cast<double>(n);
}
BENCHMARK(BM_InstanceLookup)->Arg(1000)->Arg(100000);
