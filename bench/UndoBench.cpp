// Undo and redo of large steps, against Qt's QUndoStack doing the same.
//
// Both sides change the same N KvUndoIntDatum values. Ours records them in
// the undo engine; for QUndoStack the engine is off and each change is one
// QUndoCommand inside one macro. bytes_per_object is the heap the history
// holds for one step (heap in use after the step minus before it, counting
// mmapped blocks too), divided by the number of changed objects.

#include <KvUndo.h>
#include <KvUndoIntDatum.h>

#include <QUndoCommand>
#include <QUndoStack>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

void ensureThreaded() {
    static bool done = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)done;
}

size_t heapInUse() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

// N values, registered while undo is off; switching it on gives each its
// baseline state, as in an application that loaded a model.
struct Values {
    explicit Values(size_t n, uint64_t limit) {
        ensureThreaded();
        KvUndo::setMaxSteps(0);
        items.reserve(n);
        for (size_t i = 0; i < n; ++i)
            items.emplace_back(new KvUndoIntDatum(0));
        KvUndo::setMaxSteps(limit);
    }
    ~Values() {
        KvUndo::setMaxSteps(0);
        items.clear();
    }
    void setAll(int64_t base) {
        for (size_t i = 0; i < items.size(); ++i)
            items[i]->set(base + static_cast<int64_t>(i));
    }
    std::vector<std::unique_ptr<KvUndoIntDatum>> items;
};

class SetValue : public QUndoCommand {
public:
    SetValue(KvUndoIntDatum* d, int64_t to, QUndoCommand* parent)
        : QUndoCommand(parent), d_(d), from_(d->get()), to_(to) {}
    void redo() override { d_->set(to_); }
    void undo() override { d_->set(from_); }

private:
    KvUndoIntDatum* d_;
    int64_t from_, to_;
};

void BM_UndoRedo(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    Values values(n, 100);
    size_t before = heapInUse();
    values.setAll(1);
    KvUndo::mark("step");
    double bytes = static_cast<double>(heapInUse() - before) / static_cast<double>(n);
    for (auto _ : state) {
        KvUndo::undo();
        KvUndo::redo();
    }
    if (values.items.back()->get() != static_cast<int64_t>(n)) state.SkipWithError("not restored");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["bytes_per_object"] = bytes;
    malloc_trim(0);  // leave a clean heap for the benchmarks that follow
}
BENCHMARK(BM_UndoRedo)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_UndoRedoQUndoStack(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    Values values(n, 0);
    QUndoStack stack;
    size_t before = heapInUse();
    stack.beginMacro("step");
    for (size_t i = 0; i < n; ++i)
        stack.push(new SetValue(values.items[i].get(), static_cast<int64_t>(i) + 1, nullptr));
    stack.endMacro();
    double bytes = static_cast<double>(heapInUse() - before) / static_cast<double>(n);
    for (auto _ : state) {
        stack.undo();
        stack.redo();
    }
    if (values.items.back()->get() != static_cast<int64_t>(n)) state.SkipWithError("not restored");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["bytes_per_object"] = bytes;
    malloc_trim(0);  // leave a clean heap for the benchmarks that follow
}
BENCHMARK(BM_UndoRedoQUndoStack)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Change every value and close the step: the cost of recording.
void BM_MarkStep(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    Values values(n, 10);
    size_t before = heapInUse();
    values.setAll(1);
    KvUndo::mark("first");
    double bytes = static_cast<double>(heapInUse() - before) / static_cast<double>(n);
    int64_t base = 2;
    for (auto _ : state) {
        values.setAll(base++);
        KvUndo::mark("step");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["bytes_per_object"] = bytes;
    malloc_trim(0);  // leave a clean heap for the benchmarks that follow
}
BENCHMARK(BM_MarkStep)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_MarkStepQUndoStack(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    Values values(n, 0);
    QUndoStack stack;
    stack.setUndoLimit(10);
    int64_t base = 1;
    for (auto _ : state) {
        stack.beginMacro("step");
        for (size_t i = 0; i < n; ++i)
            stack.push(new SetValue(values.items[i].get(), base + static_cast<int64_t>(i), nullptr));
        stack.endMacro();
        ++base;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    malloc_trim(0);  // leave a clean heap for the benchmarks that follow
}
BENCHMARK(BM_MarkStepQUndoStack)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A step that changes one object of a large model: undo and redo should cost
// that object, not the model. Items are undo + redo pairs.
void BM_UndoSmallStepLargeModel(benchmark::State& state) {
    size_t m = static_cast<size_t>(state.range(0));
    Values values(m, 100);
    KvUndoIntDatum* changed = values.items[m / 2].get();
    changed->set(1);
    KvUndo::mark("step");
    for (auto _ : state) {
        KvUndo::undo();
        KvUndo::redo();
    }
    if (changed->get() != 1) state.SkipWithError("not restored");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    malloc_trim(0);  // leave a clean heap for the benchmarks that follow
}
BENCHMARK(BM_UndoSmallStepLargeModel)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// 10,000 steps of 100 changes under a limit of 100: the history must stay the
// size of 100 steps.
void BM_LongHistory(benchmark::State& state) {
    constexpr int kSteps = 10000;
    constexpr uint64_t kLimit = 100;
    Values values(100, kLimit);
    size_t before = heapInUse();
    size_t atLimit = 0, atEnd = 0, held = 0;
    int64_t base = 1;
    for (auto _ : state) {
        for (int s = 0; s < kSteps; ++s) {
            values.setAll(base++);
            KvUndo::mark("step");
            if (s + 1 == static_cast<int>(kLimit)) atLimit = heapInUse() - before;
        }
        atEnd = heapInUse() - before;
        held = KvUndo::getNumCheckpoints();
        state.PauseTiming();
        KvUndo::truncate();
        before = heapInUse();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kSteps);
    state.counters["checkpoints"] = static_cast<double>(held);
    state.counters["bytes_after_100_steps"] = static_cast<double>(atLimit);
    state.counters["bytes_after_10000_steps"] = static_cast<double>(atEnd);
    malloc_trim(0);  // leave a clean heap for the benchmarks that follow
}
BENCHMARK(BM_LongHistory)->Unit(benchmark::kMillisecond);

}  // namespace
