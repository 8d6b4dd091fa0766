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

// N names for `wanted` from a fresh tracker per iteration; with `checked` the
// tracker asks the checker, and each name is registered with it as the
// application would.
void uniqueNames(benchmark::State& state, const char* wanted, bool checked) {
    const size_t n = static_cast<size_t>(state.range(0));
    const KvString w(wanted);
    size_t calls = 0;
    for (auto _ : state) {
        KvNameTracker tracker;
        RegistryChecker checker;
        if (checked) checker.names.reserve(static_cast<int>(n));
        for (size_t i = 0; i < n; ++i) {
            KvString name = tracker.generateName(w, false, checked ? &checker : nullptr);
            if (checked)
                checker.names.insert(name);
            else
                benchmark::DoNotOptimize(name);
        }
        calls += checker.calls;
    }
    const double names = static_cast<double>(state.iterations() * n);
    state.SetItemsProcessed(static_cast<int64_t>(names));
    state.counters["checker_calls_per_name"] = static_cast<double>(calls) / names;
}

}  // namespace

static void BM_NameTrackerUnique(benchmark::State& state) { uniqueNames(state, "block", false); }
BENCHMARK(BM_NameTrackerUnique)->Arg(1000)->Arg(100000);

// Wanting "block-1" every time makes the tracker ask the checker about that
// candidate for each name.
static void BM_NameTrackerUniqueChecked(benchmark::State& state) { uniqueNames(state, "block-1", true); }
BENCHMARK(BM_NameTrackerUniqueChecked)->Arg(1000)->Arg(100000);
