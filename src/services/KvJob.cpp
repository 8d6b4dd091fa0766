#include <KvJob.h>

#include <KvExcept.h>
#include <KvPlatform.h>
#include <KvProgress.h>
#include <KvTbbControl.h>
#include <KvTime.h>

#include <oneapi/tbb/concurrent_queue.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace {

// The scheduler library is not instrumented, so the thread checker cannot see
// that enqueueing a task happens before it runs. These state that edge; they
// compile to nothing otherwise.
#if defined(__SANITIZE_THREAD__)
void releaseToTasks(void* key) { __tsan_release(key); }
void acquireInTask(void* key) { __tsan_acquire(key); }
#else
void releaseToTasks(void*) {}
void acquireInTask(void*) {}
#endif

// The calling thread holds this mutex for the whole parallel phase and sleeps
// on the condition variable; workers only signal it.
std::mutex g_executorMutex;
std::condition_variable g_executorCondition;

using Clock = std::chrono::steady_clock;
constexpr auto kReportInterval = std::chrono::milliseconds(500);
// Workers signal without the mutex, so a wake-up can be missed; the short
// slice bounds how long that costs.
constexpr auto kWaitSlice = std::chrono::milliseconds(10);

// Keeps the first exception thrown by a job or a progress handler, so that
// the rest of the list can finish before the caller hears of it.
class FirstError {
public:
    void capture() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!error_) error_ = std::current_exception();
    }
    // Only once no worker can capture any more.
    void rethrow() {
        if (error_) std::rethrow_exception(error_);
    }

private:
    std::mutex mutex_;
    std::exception_ptr error_;
};

// What the tasks hand back to the calling thread.
struct FinishedJobs {
    tbb::concurrent_queue<size_t> queue;  // positions in the parallel list
    FirstError error;
    // Tasks not yet past their last step. A task signals after it pushes its
    // job, so the calling thread waits for this, not only for the queue,
    // before anything the tasks touch may go.
    std::atomic<size_t> inFlight{0};

    FinishedJobs() = default;
    FinishedJobs(const FinishedJobs&) = delete;
    FinishedJobs& operator=(const FinishedJobs&) = delete;
    // Also on the way out of an exception: the jobs belong to the caller.
    ~FinishedJobs() { waitForTasks(); }

    void waitForTasks() const {
        while (inFlight.load(std::memory_order_acquire) != 0)
            std::this_thread::yield();
    }
};

// How many runs the current thread takes part in: the calling thread for the
// whole of executeJobs, a worker while it runs a job. A run started there
// would wait for the executor lock its own caller holds, or for the job that
// started it.
thread_local int t_runDepth = 0;

class InsideRun {
public:
    InsideRun() { ++t_runDepth; }
    InsideRun(const InsideRun&) = delete;
    InsideRun& operator=(const InsideRun&) = delete;
    ~InsideRun() { --t_runDepth; }
};

struct PopRangeOnExit {
    PopRangeOnExit() = default;
    PopRangeOnExit(const PopRangeOnExit&) = delete;
    PopRangeOnExit& operator=(const PopRangeOnExit&) = delete;
    ~PopRangeOnExit() { KvProgress::popRange(); }
};

// Lowers the process-wide thread limit for one run and restores it after.
class ThreadLimit {
public:
    ThreadLimit(int limit, int active) : restore_(limit < active ? active : 0) {
        if (restore_) KvTbbControl::setNumThreads(limit, true);
    }
    ThreadLimit(const ThreadLimit&) = delete;
    ThreadLimit& operator=(const ThreadLimit&) = delete;
    ~ThreadLimit() {
        if (restore_) KvTbbControl::setNumThreads(restore_, true);
    }

private:
    int restore_;
};

}  // namespace

KvJob::~KvJob() = default;
void KvJob::prepareToRun() {}
void KvJob::finalizeRun() {}

void KvJob::executeJobs(const kv::vector<KvJob*>& jobs, AbortMode mode, int threads) {
    if (t_runDepth > 0) throw KvExcept("KvJob::executeJobs: called from inside a running job");
    if (std::find(jobs.begin(), jobs.end(), nullptr) != jobs.end()) throw KvExcept("KvJob::executeJobs: null job");
    if (jobs.empty()) return;
    InsideRun inside;
    const int active = KvTbbControl::getActiveNumThreads();
    const int n = threads > 0 ? threads : active;
    if (std::min(n, active) != 1 && jobs.size() >= 2) {
        ThreadLimit limit(n, active);
        executeJobsParallel(jobs, mode);
    } else {
        executeJobsSerial(jobs, mode);
    }
}

void KvJob::executeJobsSerial(const kv::vector<KvJob*>& jobs, AbortMode mode) {
    static const bool showTimings = KvPlatform::getenv("MWI_SHOW_TIMINGS");
    KvTime timer;

    FirstError error;
    double current = 0.0, step = 0.0;
    KvProgress::pushRange(0.0, 1.0, jobs.size(), current, step);
    {
        PopRangeOnExit popRange;
        bool reporting = true;  // a handler that threw is not called again
        for (KvJob* job : jobs) {
            try {
                job->setRunningInParallel(false);
                job->prepareToRun();
                job->run();
            } catch (...) {
                error.capture();
            }
            current += step;
            if (!reporting) continue;
            bool cancel = false;
            try {
                cancel = KvProgress::update(current);
            } catch (...) {
                error.capture();
                reporting = false;
            }
            if (cancel && mode == AbortOnCancel) break;
        }
    }

    if (showTimings)
        std::cout << "    " << jobs.size() << " jobs ran in " << timer.elapsedSeconds() << "s single-threaded"
                  << std::endl;
    error.rethrow();
}

void KvJob::executeJobsParallel(const kv::vector<KvJob*>& jobs, AbortMode mode) {
    std::vector<KvJob*> parallel, serial;
    for (KvJob* job : jobs)
        (job->canRunInParallel() ? parallel : serial).push_back(job);

    static const bool showTimings = KvPlatform::getenv("MWI_SHOW_TIMINGS");
    KvTime timer;

    KvTbbControl::init(false);
    const int active = KvTbbControl::getActiveNumThreads();
    const int defaultThreads = KvTbbControl::getDefaultNumThreads();
    const int threads = active > 0 ? active : defaultThreads;
    // The calling thread only waits, so the arena gets one thread fewer; on a
    // single core that would leave nobody to run the jobs.
    const int concurrency = std::max(1, std::min(threads, defaultThreads) - 1);
    tbb::task_arena arena(concurrency, 0);

    FinishedJobs finishedJobs;
    FinishedJobs* finished = &finishedJobs;
    // By position in `parallel`, so that a job listed twice runs twice.
    std::vector<unsigned char> running(parallel.size(), 0);
    size_t runningCount = 0;
    for (size_t i = 0; i < parallel.size(); ++i) {
        KvJob* job = parallel[i];
        try {
            job->setRunningInParallel(true);
            job->prepareToRun();
        } catch (...) {
            finished->error.capture();
            continue;
        }
        try {
            finished->inFlight.fetch_add(1, std::memory_order_relaxed);
            releaseToTasks(finished);
            arena.enqueue([job, i, finished] {
                acquireInTask(finished);
                try {
                    InsideRun inside;
                    job->run();
                } catch (...) {
                    finished->error.capture();
                }
                finished->queue.push(i);
                // Waking the calling thread for every tiny job costs more
                // than the job; it picks up the others at its next slice.
                if (finished->inFlight.fetch_sub(1, std::memory_order_acq_rel) == 1) g_executorCondition.notify_one();
            });
        } catch (...) {
            finished->inFlight.fetch_sub(1, std::memory_order_relaxed);
            finished->error.capture();
            continue;
        }
        running[i] = 1;
        ++runningCount;
    }

    const double total = static_cast<double>(parallel.size());
    const double share = total / static_cast<double>(std::max<size_t>(jobs.size(), 1));
    bool cancelled = false;
    KvProgress::pushRange(0.0, share);
    std::unique_lock<std::mutex> lock(g_executorMutex, std::defer_lock);
    {
        PopRangeOnExit popRange;
        lock.lock();
        bool reporting = true;
        auto intervalStart = Clock::now();
        while (runningCount != 0) {
            size_t done = 0;
            while (finished->queue.try_pop(done)) {
                running[done] = 0;
                --runningCount;
            }

            if (runningCount == 0 || Clock::now() - intervalStart >= kReportInterval) {
                if (reporting && !cancelled) {
                    try {
                        double remaining = 0.0;
                        for (size_t i = 0; i < parallel.size(); ++i)
                            if (running[i]) remaining += 1.0 - parallel[i]->progress();
                        if (KvProgress::update((total - remaining) / total) && mode == AbortOnCancel) {
                            cancelled = true;
                            for (KvJob* job : parallel)
                                if (!job->isFinished()) job->abort();
                        }
                    } catch (...) {
                        finished->error.capture();
                        reporting = false;
                    }
                }
                intervalStart = Clock::now();
            }

            if (runningCount == 0) break;
            while (finished->queue.empty() && Clock::now() - intervalStart < kReportInterval)
                g_executorCondition.wait_until(lock, Clock::now() + kWaitSlice);
        }
    }

    if (showTimings) {
        const int shown = active > 0 ? std::min(active, concurrency) : defaultThreads;
        std::cout << "    " << parallel.size() << " jobs ran in " << timer.elapsedSeconds() << "s on " << shown
                  << " threads" << std::endl;
    }

    if (!cancelled && !serial.empty()) {
        KvProgress::pushRange(share, 1.0);
        PopRangeOnExit popRange;
        try {
            executeJobsSerial(kv::vector<KvJob*>(serial.begin(), serial.end()), mode);
        } catch (...) {
            finished->error.capture();
        }
    }

    lock.unlock();
    finished->waitForTasks();
    arena.terminate();
    finished->error.rethrow();
}
