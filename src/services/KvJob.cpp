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
// Workers signal, without the mutex, only when the last job finishes: the
// calling thread collects the others at the end of each slice, which also
// bounds a missed wake-up.
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

// Hands the parallel jobs to the workers and their results back. The calling
// thread prepares and publishes the jobs one by one; runner tasks, at most one
// per arena slot, take published jobs in order until none is left. A task of
// its own for each job would cost the scheduler more than a tiny job takes.
class JobFeed {
public:
    JobFeed(const std::vector<KvJob*>& jobs, int maxRunners)
        : jobs_(jobs), maxRunners_(maxRunners), ready_(jobs.size()) {}
    JobFeed(const JobFeed&) = delete;
    JobFeed& operator=(const JobFeed&) = delete;
    // Also on the way out of an exception: the jobs belong to the caller.
    ~JobFeed() { waitForTasks(); }

    // Calling thread: `position` in the job list may start now.
    void publish(size_t position, tbb::task_arena& arena) {
        const size_t n = published_.load(std::memory_order_relaxed);
        ready_[n] = position;
        unfinished_.fetch_add(1, std::memory_order_relaxed);
        published_.store(n + 1, std::memory_order_seq_cst);
        // A runner that just found nothing to do either sees this job or has
        // already left the count (both sides are sequentially consistent).
        if (runners_.load(std::memory_order_seq_cst) >= maxRunners_ || !addRunner()) return;
        tasks_.fetch_add(1, std::memory_order_relaxed);
        try {
            releaseToTasks(this);
            arena.enqueue([this] {
                acquireInTask(this);
                runJobs();
                tasks_.fetch_sub(1, std::memory_order_release);
            });
        } catch (...) {
            tasks_.fetch_sub(1, std::memory_order_relaxed);
            error_.capture();
            if (runners_.fetch_sub(1, std::memory_order_seq_cst) == 1) dropUnclaimed();
        }
    }

    // Calling thread: the position of a job that has finished.
    bool popFinished(size_t& position) { return finished_.try_pop(position); }
    bool noneFinished() const { return finished_.empty(); }
    FirstError& error() { return error_; }

    // Nothing the tasks touch may go before they are past their last step.
    void waitForTasks() const {
        while (tasks_.load(std::memory_order_acquire) != 0)
            std::this_thread::yield();
    }

private:
    bool addRunner() {
        int n = runners_.load(std::memory_order_seq_cst);
        while (n < maxRunners_)
            if (runners_.compare_exchange_weak(n, n + 1, std::memory_order_seq_cst)) return true;
        return false;
    }

    bool claim(size_t& position) {
        size_t k = claimed_.load(std::memory_order_relaxed);
        while (k < published_.load(std::memory_order_seq_cst))
            if (claimed_.compare_exchange_weak(k, k + 1, std::memory_order_acq_rel)) {
                position = ready_[k];
                return true;
            }
        return false;
    }

    void runJobs() {
        InsideRun inside;
        for (;;) {
            size_t position;
            while (claim(position))
                run(position);
            runners_.fetch_sub(1, std::memory_order_seq_cst);
            // The calling thread may have published meanwhile and still
            // counted this runner.
            if (claimed_.load(std::memory_order_relaxed) >= published_.load(std::memory_order_seq_cst) || !addRunner())
                return;
        }
    }

    void run(size_t position) {
        try {
            jobs_[position]->run();
        } catch (...) {
            error_.capture();
        }
        finish(position);
    }

    void finish(size_t position) {
        finished_.push(position);
        // Waking the calling thread for every tiny job costs more than the
        // job; it collects the others at its next slice.
        if (unfinished_.fetch_sub(1, std::memory_order_acq_rel) == 1) g_executorCondition.notify_one();
    }

    // Without a runner the published jobs would wait forever: they are given
    // back unrun, like a job whose task could not be started.
    void dropUnclaimed() {
        size_t position;
        while (claim(position))
            finish(position);
    }

    const std::vector<KvJob*>& jobs_;
    const int maxRunners_;
    std::vector<size_t> ready_;  // positions, in the order published
    std::atomic<size_t> published_{0};
    std::atomic<size_t> claimed_{0};
    std::atomic<int> runners_{0};        // tasks taking jobs
    std::atomic<int> tasks_{0};          // tasks not yet past their last step
    std::atomic<size_t> unfinished_{0};  // published and not yet finished
    tbb::concurrent_queue<size_t> finished_;
    FirstError error_;
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
    parallel.reserve(jobs.size());
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

    JobFeed feed(parallel, concurrency);
    // By position in `parallel`, so that a job listed twice runs twice.
    std::vector<unsigned char> running(parallel.size(), 0);
    size_t runningCount = 0;
    for (size_t i = 0; i < parallel.size(); ++i) {
        try {
            parallel[i]->setRunningInParallel(true);
            parallel[i]->prepareToRun();
        } catch (...) {
            feed.error().capture();
            continue;
        }
        running[i] = 1;
        ++runningCount;
        feed.publish(i, arena);
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
            while (feed.popFinished(done)) {
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
                        feed.error().capture();
                        reporting = false;
                    }
                }
                intervalStart = Clock::now();
            }

            if (runningCount == 0) break;
            while (feed.noneFinished() && Clock::now() - intervalStart < kReportInterval)
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
            feed.error().capture();
        }
    }

    lock.unlock();
    feed.waitForTasks();
    arena.terminate();
    feed.error().rethrow();
}
