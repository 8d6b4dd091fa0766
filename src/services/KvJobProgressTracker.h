#pragma once

#include <KvBaseExport.h>

#include <atomic>
#include <vector>

// Progress of one long operation through nested milestone ranges, optionally
// forwarded to KvProgress. setProgress() may be called from any thread;
// pushMax(), popMax() and reset() belong to the thread that owns the tracker.
class KV_BASE_EXPORT KvJobProgressTracker {
public:
    // Walks a tracker through consecutive milestones: each one completes the
    // previous, and the last is completed when the span ends.
    class KV_BASE_EXPORT Span {
    public:
        explicit Span(KvJobProgressTracker& tracker) : tracker_(tracker) {}
        Span(const Span&) = delete;
        Span& operator=(const Span&) = delete;
        ~Span();

        void setNextMilestone(double milestone);
        void setProgress(double value) { tracker_.setProgress(value); }

    private:
        KvJobProgressTracker& tracker_;
        bool pushed_ = false;
    };

    KvJobProgressTracker() = default;

    // Opens a nested range that ends at `milestone` of the current range.
    void pushMax(double milestone);
    // Completes and closes the innermost range; nothing without one.
    void popMax();
    // `value` is clamped to [0, maximum] and mapped into the current range;
    // progress never goes back.
    void setProgress(double value);
    double progress() const;
    // Back to the start with no nested ranges; `quiet` stops forwarding.
    void reset(bool quiet);

private:
    double maximum_ = 1.0;
    // Read by other threads (a job's progress()) while the owner moves it.
    std::atomic<double> progress_{0.0};
    double start_ = 0.0;
    double end_ = 1.0;
    std::vector<double> ends_;
    std::vector<double> starts_;
    bool quiet_ = true;
};
