#include <KvJob.h>

#include <benchmark/benchmark.h>
#include <oneapi/tbb/parallel_for.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// A dependent chain of multiply-adds: CPU-bound and not vectorisable.
uint64_t burn(uint64_t iterations, uint64_t seed) {
    uint64_t x = seed;
    for (uint64_t i = 0; i < iterations; ++i)
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    return x;
}

// Iterations of burn() that take about one microsecond here.
double iterationsPerMicrosecond() {
    static const double rate = [] {
        const uint64_t n = 1 << 24;
        burn(n / 16, 1);  // warm up the clock
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(burn(n, 1));
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        return n / us;
    }();
    return rate;
}

uint64_t iterationsFor(double microseconds) {
    return static_cast<uint64_t>(iterationsPerMicrosecond() * microseconds + 0.5);
}

class BurnJob : public KvJob {
public:
    explicit BurnJob(uint64_t iterations) : iterations_(iterations) {}
    bool canRunInParallel() const override { return true; }
    void run() override {
        result_ = burn(iterations_, reinterpret_cast<uintptr_t>(this));
        done_.store(true, std::memory_order_release);
    }
    bool isFinished() const override { return done_.load(std::memory_order_acquire); }
    void abort() override {}
    double progress() const override { return isFinished() ? 1.0 : 0.0; }
    void setRunningInParallel(bool) override { done_.store(false, std::memory_order_relaxed); }
    uint64_t result() const { return result_; }

private:
    uint64_t iterations_;
    uint64_t result_ = 0;
    std::atomic<bool> done_{false};
};

void runJobs(benchmark::State& state, size_t count, double microseconds, int threads) {
    std::vector<std::unique_ptr<BurnJob>> owned;
    kv::vector<KvJob*> jobs;
    jobs.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        owned.push_back(std::make_unique<BurnJob>(iterationsFor(microseconds)));
        jobs.push_back(owned.back().get());
    }
    for (auto _ : state) {
        KvJob::executeJobs(jobs, KvJob::RunToEnd, threads);
        benchmark::DoNotOptimize(owned.back()->result());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}

void BM_JobsParallel(benchmark::State& state) { runJobs(state, 1000, 1000.0, 0); }
void BM_JobsSerial(benchmark::State& state) { runJobs(state, 1000, 1000.0, 1); }
void BM_JobsTiny(benchmark::State& state) { runJobs(state, 100000, 1.0, 0); }

// The fixed cost of one parallel run: the arena, waking a worker, the last
// job's signal.
void BM_JobsFew(benchmark::State& state) {
    runJobs(state, 2, 1.0, 0);
    state.counters["runs_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The same tiny work items straight through the scheduler, as a yardstick.
void BM_TbbParallelForTiny(benchmark::State& state) {
    const size_t count = 100000;
    const uint64_t iterations = iterationsFor(1.0);
    std::vector<uint64_t> results(count);
    for (auto _ : state) {
        tbb::parallel_for(size_t(0), count, [&](size_t i) { results[i] = burn(iterations, i); });
        benchmark::DoNotOptimize(results.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}

}  // namespace

BENCHMARK(BM_JobsParallel)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JobsSerial)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JobsTiny)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JobsFew)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TbbParallelForTiny)->UseRealTime()->Unit(benchmark::kMillisecond);
