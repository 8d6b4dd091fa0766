// Notification, reference counting and object life, beside what Qt and the
// standard library do for the same job.

#include <KvActionQueue.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvUpdateAction.h>

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QObject>

#include <malloc.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

struct Listener : KvObject {
    size_t updates = 0;
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override { ++updates; }
    void handlePurgeAction(KvPurgeAction*) override {}
};

struct Subject : KvRefObject {
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}
};

// libstdc++ uses plain increments for shared_ptr in a process that never
// started a thread; start one so both sides pay for atomics.
void ensureThreaded() {
    static bool done = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)done;
}

QCoreApplication* app() {
    static int argc = 1;
    static char name[] = "kvbench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a =
        QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return a;
}

size_t heapInUse() { return mallinfo2().uordblks; }

}  // namespace

class QtSender : public QObject {
    Q_OBJECT
public:
    void fire() { Q_EMIT changed(); }
Q_SIGNALS:
    void changed();
};

class QtReceiver : public QObject {
    Q_OBJECT
public:
    size_t updates = 0;
public Q_SLOTS:
    void onChanged() { ++updates; }
};

static void BM_NotifyQueue(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    KvRefPtr<Subject> subject(new Subject);
    std::vector<Listener> listeners(n);
    for (auto& l : listeners)
        subject->addObserver(&l);
    for (auto _ : state)
        subject->updateObservers();
    for (auto& l : listeners)
        subject->removeObserver(&l);
    if (listeners[0].updates != static_cast<size_t>(state.iterations())) state.SkipWithError("lost deliveries");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_NotifyQueue)->Arg(1)->Arg(10)->Arg(1000);

static void notifyQt(benchmark::State& state, Qt::ConnectionType type) {
    app();
    const size_t n = static_cast<size_t>(state.range(0));
    QtSender sender;
    std::vector<std::unique_ptr<QtReceiver>> receivers;
    for (size_t i = 0; i < n; ++i) {
        receivers.emplace_back(new QtReceiver);
        QObject::connect(&sender, &QtSender::changed, receivers.back().get(), &QtReceiver::onChanged, type);
    }
    for (auto _ : state) {
        sender.fire();
        if (type == Qt::QueuedConnection) QCoreApplication::processEvents();
    }
    if (receivers[0]->updates != static_cast<size_t>(state.iterations())) state.SkipWithError("lost deliveries");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}

static void BM_NotifyQtDirect(benchmark::State& state) { notifyQt(state, Qt::DirectConnection); }
static void BM_NotifyQtQueued(benchmark::State& state) { notifyQt(state, Qt::QueuedConnection); }
BENCHMARK(BM_NotifyQtDirect)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_NotifyQtQueued)->Arg(1)->Arg(10)->Arg(1000);

static void BM_RefPtrCopy(benchmark::State& state) {
    ensureThreaded();
    KvRefPtr<Subject> p(new Subject);
    for (auto _ : state) {
        KvRefPtr<Subject> copy(p);
        benchmark::DoNotOptimize(copy);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RefPtrCopy);

static void BM_SharedPtrCopy(benchmark::State& state) {
    ensureThreaded();
    auto p = std::make_shared<int>(1);
    for (auto _ : state) {
        std::shared_ptr<int> copy(p);
        benchmark::DoNotOptimize(copy);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SharedPtrCopy);

// Create N observed objects with one observer each, then release them all:
// each release purges its observer and deletes through the queue.
static void BM_CreateReleaseObserved(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    Listener listener;
    std::vector<KvRefPtr<Subject>> objects;
    objects.reserve(n);
    size_t peak = 0;
    bool measured = false;
    for (auto _ : state) {
        // Reading the heap statistics walks the heap: do it once, untimed.
        size_t before = 0;
        if (!measured) {
            state.PauseTiming();
            before = heapInUse();
            state.ResumeTiming();
        }
        for (size_t i = 0; i < n; ++i) {
            objects.emplace_back(new Subject);
            objects.back()->addObserver(&listener);
        }
        if (!measured) {
            state.PauseTiming();
            size_t at = heapInUse();
            peak = at > before ? at - before : 0;
            measured = true;
            state.ResumeTiming();
        }
        objects.clear();
    }
    malloc_trim(0);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["bytes_per_object"] = static_cast<double>(peak) / static_cast<double>(n);
}
BENCHMARK(BM_CreateReleaseObserved)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

#include "CoreBench.moc"
