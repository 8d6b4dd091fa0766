#include <KvExcept.h>
#include <KvJob.h>
#include <KvJobProgressTracker.h>
#include <KvProgress.h>
#include <KvTbbControl.h>
#include <KvTestObjects.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using kvtest::expectThrows;

class TestJob : public KvJob {
public:
    using Body = std::function<void(TestJob&)>;
    explicit TestJob(bool parallel = true, Body body = {}) : parallel_(parallel), body_(std::move(body)) {}

    bool canRunInParallel() const override { return parallel_; }
    void setRunningInParallel(bool parallel) override { toldParallel = parallel ? 1 : 0; }
    void prepareToRun() override {
        preparedAfterTold = toldParallel >= 0;
        if (onPrepare) onPrepare();
    }
    void run() override {
        thread = std::this_thread::get_id();
        ++runs;
        if (body_) body_(*this);
        finished = true;
    }
    bool isFinished() const override { return finished; }
    void abort() override { aborted = true; }
    double progress() const override { return fraction; }

    // Works until aborted, with a safety limit so a broken runner fails
    // instead of hanging.
    static void untilAborted(TestJob& job) {
        for (int i = 0; i < 5000 && !job.aborted; ++i)
            std::this_thread::sleep_for(1ms);
    }

    int toldParallel = -1;
    bool preparedAfterTold = false;
    std::thread::id thread;
    std::atomic<int> runs{0};
    std::atomic<bool> finished{false};
    std::atomic<bool> aborted{false};
    std::atomic<double> fraction{0.0};
    std::function<void()> onPrepare;

private:
    bool parallel_;
    Body body_;
};

// Records what reaches the application's progress reporter; asks to cancel
// from the `cancelAt`th update on (counting from 1).
class Recorder : public KvProgress::Handler {
public:
    explicit Recorder(int cancelAt = 0) : cancelAt_(cancelAt) { KvProgress::setActive(this); }
    ~Recorder() override { KvProgress::setActive(nullptr); }

    void rangePushed(double begin, double end) override { pushes.emplace_back(begin, end); }
    bool progress(double fraction) override {
        values.push_back(fraction);
        if (onProgress) onProgress();
        return cancelAt_ > 0 && static_cast<int>(values.size()) >= cancelAt_;
    }

    std::vector<double> values;
    std::vector<std::pair<double, double>> pushes;
    std::function<void()> onProgress;

private:
    int cancelAt_;
};

struct Jobs {
    std::vector<std::unique_ptr<TestJob>> owned;
    kv::vector<KvJob*> list;
    TestJob& add(bool parallel = true, TestJob::Body body = {}) {
        owned.push_back(std::make_unique<TestJob>(parallel, std::move(body)));
        list.push_back(owned.back().get());
        return *owned.back();
    }
};

}  // namespace

TEST(KvJob, SerialRunsInOrderOnTheCallingThread) {
    Recorder recorder;
    Jobs jobs;
    std::vector<int> order;
    for (int i = 0; i < 4; ++i)
        jobs.add(true, [&order, i](TestJob&) { order.push_back(i); });
    KvJob::executeJobs(jobs.list, 0, 1);  // a limit of one thread runs serially
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    for (auto& job : jobs.owned) {
        EXPECT_EQ(job->thread, std::this_thread::get_id());
        EXPECT_TRUE(job->toldParallel == 0 && job->preparedAfterTold);
    }
    EXPECT_EQ(recorder.values, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));

    Jobs single;  // one job never goes to the workers
    single.add();
    KvJob::executeJobs(single.list, 0, 0);
    EXPECT_EQ(single.owned[0]->thread, std::this_thread::get_id());
    KvJob::executeJobs(kv::vector<KvJob*>(), 0, 0);
    EXPECT_EQ(KvProgress::getDepth(), 0);
}

TEST(KvJob, ParallelJobsRunOnWorkersThenSerialOnes) {
    if (KvTbbControl::getActiveNumThreads() < 2) GTEST_SKIP() << "one thread only";
    Recorder recorder;
    Jobs jobs;
    std::vector<TestJob*> parallel;
    for (int i = 0; i < 6; ++i)
        parallel.push_back(&jobs.add(true, [](TestJob& job) {
            job.fraction = 0.5;
            std::this_thread::sleep_for(2ms);
        }));
    bool parallelDoneFirst = true;
    auto& serial = jobs.add(false, [&](TestJob&) {
        for (TestJob* p : parallel)
            parallelDoneFirst = parallelDoneFirst && p->finished;
    });
    KvJob::executeJobs(jobs.list, 0, 0);
    for (TestJob* job : parallel) {
        EXPECT_EQ(job->runs, 1);
        EXPECT_NE(job->thread, std::this_thread::get_id());
        EXPECT_TRUE(job->toldParallel == 1 && job->preparedAfterTold);
    }
    EXPECT_EQ(serial.thread, std::this_thread::get_id());
    EXPECT_TRUE(parallelDoneFirst);
    // The parallel phase takes 6/7 of the bar, the serial one the rest.
    ASSERT_FALSE(recorder.pushes.empty() || recorder.values.empty());
    EXPECT_DOUBLE_EQ(recorder.pushes[0].second, 6.0 / 7.0);
    EXPECT_TRUE(std::is_sorted(recorder.values.begin(), recorder.values.end()));
    EXPECT_DOUBLE_EQ(recorder.values.back(), 1.0);
    EXPECT_EQ(KvProgress::getDepth(), 0);

    // No parallel job at all: an empty parallel phase, then everything serially.
    Recorder second;
    Jobs serialOnly;
    serialOnly.add(false);
    serialOnly.add(false);
    KvJob::executeJobs(serialOnly.list, 0, 0);
    ASSERT_FALSE(second.pushes.empty());
    EXPECT_EQ(second.pushes[0], std::make_pair(0.0, 0.0));
    EXPECT_EQ(serialOnly.owned[1]->thread, std::this_thread::get_id());
}

// Workers take the jobs as the calling thread hands them over and stop when
// they run out; a slow preparation lets them run out in the middle of a list,
// and the next job handed over must start a worker again.
TEST(KvJob, JobsHandedOverOneByOneAreNeitherLostNorRunTwice) {
    if (KvTbbControl::getActiveNumThreads() < 2) GTEST_SKIP() << "one thread only";
    for (unsigned round = 0; round < 200; ++round) {
        Jobs jobs;
        for (unsigned i = 0; i < 20; ++i) {
            const unsigned n = ((i + round * 20) * 2654435761u) >> 24;  // 0 to 255
            TestJob& job = jobs.add(true, [n](TestJob&) {
                for (volatile unsigned k = 0; k < 20 * n; k = k + 1) {
                }
            });
            if (n & 1) job.onPrepare = [n] { std::this_thread::sleep_for(std::chrono::microseconds(n)); };
        }
        jobs.list.push_back(jobs.list[3]);  // listed twice, runs twice
        KvJob::executeJobs(jobs.list, 0, 0);
        for (size_t i = 0; i < jobs.owned.size(); ++i) {
            ASSERT_EQ(jobs.owned[i]->runs, i == 3 ? 2 : 1) << round << " " << i;
            ASSERT_NE(jobs.owned[i]->thread, std::this_thread::get_id());
        }
    }
}

TEST(KvJob, ThreadLimitHoldsForOneRunOnly) {
    KvTbbControl::setNumThreads(4, true);
    Jobs jobs;
    std::atomic<int> seen{0};
    for (int i = 0; i < 3; ++i)
        jobs.add(true, [&](TestJob&) { seen = KvTbbControl::getActiveNumThreads(); });
    KvJob::executeJobs(jobs.list, 0, 2);
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(KvTbbControl::getActiveNumThreads(), 4);
    EXPECT_EQ(jobs.owned[0]->toldParallel, 1);
    KvTbbControl::init(true);
}

TEST(KvJob, CancelStopsTheWorkOnlyInAbortMode) {
    Jobs serial;
    for (int i = 0; i < 4; ++i)
        serial.add();
    {
        Recorder recorder(2);
        KvJob::executeJobs(serial.list, KvJob::AbortOnCancel, 1);
        EXPECT_EQ(serial.owned[1]->runs + serial.owned[2]->runs, 1);  // stopped after the second
        EXPECT_EQ(recorder.values.size(), 2u);                        // never asked again
    }
    {
        Recorder recorder(1);
        KvJob::executeJobs(serial.list, KvJob::RunToEnd, 1);
        EXPECT_EQ(serial.owned[3]->runs, 1);
    }
    if (KvTbbControl::getActiveNumThreads() < 2) GTEST_SKIP() << "one thread only";
    {
        // The first report comes after half a second; these jobs wait for it.
        Recorder recorder(1);
        Jobs jobs;
        for (int i = 0; i < 3; ++i)
            jobs.add(true, TestJob::untilAborted);
        auto& skipped = jobs.add(false);
        KvJob::executeJobs(jobs.list, KvJob::AbortOnCancel, 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(jobs.owned[i]->aborted && jobs.owned[i]->finished);
        EXPECT_EQ(skipped.runs, 0);
        EXPECT_EQ(recorder.values.size(), 1u);
    }
    {
        Recorder recorder(1);
        Jobs jobs;
        for (int i = 0; i < 2; ++i)
            jobs.add(true, [](TestJob&) { std::this_thread::sleep_for(600ms); });
        auto& last = jobs.add(false);
        KvJob::executeJobs(jobs.list, KvJob::RunToEnd, 0);
        EXPECT_FALSE(jobs.owned[0]->aborted || jobs.owned[1]->aborted);
        EXPECT_EQ(last.runs, 1);
        EXPECT_GE(recorder.values.size(), 2u);  // asked again despite the cancel
    }
    EXPECT_EQ(KvProgress::getDepth(), 0);
}

TEST(KvJob, AThrowingJobLetsTheRestFinishThenReports) {
    for (int threads : {1, 0}) {
        Jobs jobs;
        jobs.add(true);
        jobs.add(true, [](TestJob&) { throw KvExcept("job failed"); });
        jobs.add(true, [](TestJob&) { throw KvExcept("job failed"); });
        jobs.add(false);
        EXPECT_THROW(KvJob::executeJobs(jobs.list, 0, threads), KvExcept) << threads;
        for (auto& job : jobs.owned)
            EXPECT_EQ(job->runs, 1) << threads;
    }
    // So does a progress handler that throws.
    struct Throwing : KvProgress::Handler {
        bool progress(double) override { throw KvExcept("handler failed"); }
    } handler;
    KvProgress::setActive(&handler);
    Jobs jobs;
    jobs.add();
    jobs.add();
    EXPECT_THROW(KvJob::executeJobs(jobs.list, 0, 1), KvExcept);
    KvProgress::setActive(nullptr);
    EXPECT_EQ(jobs.owned[1]->runs, 1);
    EXPECT_EQ(KvProgress::getDepth(), 0);
}

TEST(KvJob, ANullJobIsRefusedBeforeAnythingRuns) {
    Recorder recorder;
    for (int threads : {1, 0}) {
        Jobs jobs;
        jobs.add();
        jobs.list.push_back(nullptr);
        jobs.add();
        expectThrows("KvJob::executeJobs: null job", [&] { KvJob::executeJobs(jobs.list, 0, threads); });
        for (auto& job : jobs.owned)
            EXPECT_TRUE(job->toldParallel == -1 && job->runs == 0) << threads;
    }
    EXPECT_TRUE(recorder.pushes.empty() && recorder.values.empty());
    EXPECT_EQ(KvProgress::getDepth(), 0);
}

// A run started from inside another used to wait forever for the executor
// lock or for the job that started it.
TEST(KvJob, ARunStartedFromInsideARunIsRefused) {
    const char* refused = "KvJob::executeJobs: called from inside a running job";
    Jobs inner;
    inner.add();
    inner.add();
    auto nested = [&] { KvJob::executeJobs(inner.list, 0, 0); };

    // From a job's run() on a worker, from a serial job after the parallel
    // phase, from a job on the calling thread and from prepareToRun(); the
    // other jobs of the run still run.
    struct Case {
        int threads;
        bool parallel;
        bool fromPrepare;
    };
    for (Case c : {Case{0, true, false}, Case{0, false, false}, Case{1, true, false}, Case{0, true, true}}) {
        Jobs outer;
        outer.add();
        TestJob& culprit = outer.add(c.parallel, [&](TestJob&) { nested(); });
        if (c.fromPrepare) culprit.onPrepare = nested;
        outer.add(false);
        SCOPED_TRACE(testing::Message() << c.threads << c.parallel << c.fromPrepare);
        expectThrows(refused, [&] { KvJob::executeJobs(outer.list, 0, c.threads); });
        EXPECT_EQ(culprit.runs, c.fromPrepare ? 0 : 1);
        EXPECT_TRUE(outer.owned[0]->runs == 1 && outer.owned[2]->runs == 1);
    }

    // From the progress handler, in the parallel phase and in a serial run.
    for (int threads : {0, 1}) {
        Recorder handler;
        handler.onProgress = nested;
        Jobs outer;
        outer.add();
        outer.add();
        outer.add(false);
        expectThrows(refused, [&] { KvJob::executeJobs(outer.list, 0, threads); });
        for (auto& job : outer.owned)
            EXPECT_EQ(job->runs, 1) << threads;
    }
    EXPECT_EQ(inner.owned[0]->runs + inner.owned[1]->runs, 0);
    EXPECT_EQ(KvProgress::getDepth(), 0);

    // Once the run is over, the same thread may start another.
    KvJob::executeJobs(inner.list, 0, 0);
    EXPECT_EQ(inner.owned[1]->runs, 1);
}

// The switch is read once per process, so each case runs in a fresh one.
TEST(KvJobDeathTest, TimingLinesFollowTheEnvironment) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto run = [](const char* setting) {
        if (setting)
            setenv("MWI_SHOW_TIMINGS", setting, 1);
        else
            unsetenv("MWI_SHOW_TIMINGS");
        KvTbbControl::setNumThreads(2, true);
        Jobs jobs;
        for (int i = 0; i < 3; ++i)
            jobs.add();
        jobs.add(false);
        testing::internal::CaptureStdout();
        KvJob::executeJobs(jobs.list, 0, 1);
        KvJob::executeJobs(jobs.list, 0, 0);
        std::fprintf(stderr, "out=[%s]", testing::internal::GetCapturedStdout().c_str());
        std::exit(0);
    };
    const char* number = "[0-9.e+-]+";
    EXPECT_EXIT(run("1"), testing::ExitedWithCode(0),
                std::string("out=\\[    4 jobs ran in ") + number + "s single-threaded\n" + "    3 jobs ran in " +
                    number + "s on 1 threads\n" + "    1 jobs ran in " + number + "s single-threaded\n\\]");
    EXPECT_EXIT(run(nullptr), testing::ExitedWithCode(0), "out=\\[\\]");
    EXPECT_EXIT(run("0"), testing::ExitedWithCode(0), "out=\\[\\]");
}

TEST(KvJobProgressTracker, NestedRangesAndMonotonicProgress) {
    KvJobProgressTracker t;
    t.popMax();  // nothing pushed: no effect
    t.pushMax(0.5);
    t.setProgress(0.5);
    EXPECT_DOUBLE_EQ(t.progress(), 0.25);
    t.setProgress(0.2);  // never goes back
    EXPECT_DOUBLE_EQ(t.progress(), 0.25);
    t.popMax();  // completes the range
    EXPECT_DOUBLE_EQ(t.progress(), 0.5);

    t.pushMax(1.0);  // [0.5, 1]
    t.setProgress(-3.0);
    EXPECT_DOUBLE_EQ(t.progress(), 0.5);
    t.setProgress(7.0);  // clamped to the end of the range
    EXPECT_DOUBLE_EQ(t.progress(), 1.0);

    t.reset(true);  // also forgets the open range
    t.popMax();
    EXPECT_EQ(t.progress(), 0.0);
    t.pushMax(0.5);  // [0, 0.5]
    t.pushMax(0.5);  // half of that: [0, 0.25]
    t.setProgress(1.0);
    t.popMax();
    t.setProgress(0.4);  // maps to 0.2, below what the inner range completed
    EXPECT_DOUBLE_EQ(t.progress(), 0.25);
    t.setProgress(0.8);
    EXPECT_DOUBLE_EQ(t.progress(), 0.4);
}

TEST(KvJobProgressTracker, SpansWalkMilestonesAndForwardWhenNotQuiet) {
    Recorder recorder;
    KvJobProgressTracker t;
    { KvJobProgressTracker::Span unused(t); }
    EXPECT_EQ(t.progress(), 0.0);
    {
        KvJobProgressTracker::Span span(t);
        span.setNextMilestone(0.4);
        span.setProgress(0.5);
        EXPECT_DOUBLE_EQ(t.progress(), 0.2);
        span.setNextMilestone(0.5);  // completes the first milestone
        EXPECT_DOUBLE_EQ(t.progress(), 0.4);
    }
    EXPECT_DOUBLE_EQ(t.progress(), 0.5);
    EXPECT_TRUE(recorder.pushes.empty());  // quiet by default
    EXPECT_TRUE(recorder.values.empty());

    t.reset(false);
    t.pushMax(0.5);
    t.setProgress(3.0);
    t.popMax();
    EXPECT_EQ(recorder.pushes, (std::vector<std::pair<double, double>>{{0.0, 0.5}}));
    EXPECT_EQ(recorder.values, (std::vector<double>{0.5}));  // 3 clamped to 1, the end of the pushed half
    EXPECT_EQ(KvProgress::getDepth(), 0);
    t.pushMax(0.5);
    t.reset(true);  // drops the range without telling KvProgress
    EXPECT_EQ(KvProgress::getDepth(), 1);
    KvProgress::popRange();
}
