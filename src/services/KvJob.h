#pragma once

#include <KvBaseExport.h>
#include <KvVector.h>

// A unit of background work. Callers collect jobs into a list and hand it to
// executeJobs(), which runs them one after the other on the calling thread or,
// with several jobs and more than one thread, on worker threads while the
// calling thread reports progress and reacts to cancellation.
class KV_BASE_EXPORT KvJob {
public:
    // 0 stops the work when the user cancels; any other value runs every job
    // to its end.
    using AbortMode = int;
    enum : int { AbortOnCancel = 0, RunToEnd = 1 };

    virtual ~KvJob();

    // Jobs answering false always run on the calling thread.
    virtual bool canRunInParallel() const = 0;
    // Called on the calling thread just before the job starts.
    virtual void prepareToRun();
    virtual void run() = 0;
    virtual bool isFinished() const = 0;
    // Asks an unfinished job to stop; may be called while run() executes.
    virtual void abort() = 0;
    // The job's own progress in [0, 1]; must be safe to call while run()
    // executes on another thread.
    virtual double progress() const = 0;
    // Not called by the executors.
    virtual void finalizeRun();
    // Told before prepareToRun() whether run() will execute on a worker.
    virtual void setRunningInParallel(bool parallel) = 0;

    // Runs `jobs` (owned by the caller). `threads` limits the worker threads,
    // 0 (or less) meaning the active limit. When a job or the progress handler
    // throws, the rest of the list still runs and the first exception is
    // rethrown once everything has stopped. Throws before anything runs when
    // the list holds a null job, or when called from inside a run (a job's
    // run() or prepareToRun(), a progress handler): that call would wait for
    // the run that made it. A thread that a job starts itself is not part of
    // the run; a call from there waits until the run is over.
    static void executeJobs(const kv::vector<KvJob*>& jobs, AbortMode mode, int threads);

private:
    static void executeJobsParallel(const kv::vector<KvJob*>& jobs, AbortMode mode);
    static void executeJobsSerial(const kv::vector<KvJob*>& jobs, AbortMode mode);
};
