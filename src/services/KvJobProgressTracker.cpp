#include <KvJobProgressTracker.h>

#include <KvProgress.h>

#include <algorithm>
#include <mutex>

namespace {
// One lock for every tracker: jobs on several workers report through the one
// application-wide progress reporter.
std::mutex g_progressMutex;
}  // namespace

void KvJobProgressTracker::pushMax(double milestone) {
    const double newEnd = start_ + (std::min(milestone, maximum_) / maximum_) * (end_ - start_);
    ends_.push_back(end_);
    starts_.push_back(start_);
    start_ = progress_.load();
    end_ = newEnd;
    if (!quiet_) KvProgress::pushRange(start_ / maximum_, end_ / maximum_);
}

void KvJobProgressTracker::popMax() {
    if (ends_.empty() || starts_.empty()) return;
    progress_ = end_;
    end_ = ends_.back();
    ends_.pop_back();
    start_ = starts_.back();
    starts_.pop_back();
    if (!quiet_) KvProgress::popRange();
}

void KvJobProgressTracker::setProgress(double value) {
    std::lock_guard<std::mutex> lock(g_progressMutex);
    const double clamped = std::min(std::max(value, 0.0), maximum_);
    const double mapped = start_ + (end_ - start_) * clamped / maximum_;
    progress_ = std::max(progress_.load(), std::min(end_, mapped));
    if (!quiet_) KvProgress::update(clamped);
}

double KvJobProgressTracker::progress() const { return progress_ / maximum_; }

void KvJobProgressTracker::reset(bool quiet) {
    progress_ = 0.0;
    start_ = 0.0;
    end_ = maximum_;
    ends_.clear();
    starts_.clear();
    quiet_ = quiet;
}

KvJobProgressTracker::Span::~Span() {
    if (pushed_) tracker_.popMax();
}

void KvJobProgressTracker::Span::setNextMilestone(double milestone) {
    if (pushed_) tracker_.popMax();
    tracker_.pushMax(milestone);
    pushed_ = true;
}
