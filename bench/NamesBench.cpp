// Handing out unique names: N names all wanted under the same name, so a
// search for a free number over the names in use would show as a rate that
// falls with N.

#include <KvNameChecker.h>
#include <KvNameTracker.h>

#include <benchmark/benchmark.h>

#include <QSet>

namespace {

// The application's side: every name handed out is registered, and the
// checker answers from that registry.
struct RegistryChecker : KvNameChecker {
    QSet<KvString> names;
    mutable size_t calls = 0;
    bool contains(const KvString& name) const override {
        ++calls;
        return names.contains(name);
    }
};

}  // namespace

static void BM_NameTrackerUnique(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const KvString wanted("block");
    size_t lastLength = 0;
    for (auto _ : state) {
        KvNameTracker tracker;
        for (size_t i = 0; i < n; ++i) {
            KvString name = tracker.generateName(wanted, false, nullptr);
            lastLength = name.length();
            benchmark::DoNotOptimize(name);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["last_name_length"] = static_cast<double>(lastLength);
}
BENCHMARK(BM_NameTrackerUnique)->Arg(1000)->Arg(100000);

// The same with a checker. Wanting "block-1" every time makes the tracker ask
// the checker about that candidate for each name; the registry insertion is
// part of the loop, as it would be in the application.
static void BM_NameTrackerUniqueChecked(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const KvString wanted("block-1");
    size_t calls = 0;
    for (auto _ : state) {
        KvNameTracker tracker;
        RegistryChecker checker;
        checker.names.reserve(static_cast<int>(n));
        for (size_t i = 0; i < n; ++i)
            checker.names.insert(tracker.generateName(wanted, false, &checker));
        calls += checker.calls;
        benchmark::DoNotOptimize(checker.names);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["checker_calls_per_name"] = static_cast<double>(calls) / static_cast<double>(state.iterations() * n);
}
BENCHMARK(BM_NameTrackerUniqueChecked)->Arg(1000)->Arg(100000);
