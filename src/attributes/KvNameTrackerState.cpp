#include <KvNameTrackerState.h>

#include <KvNameTracker.h>

#include <algorithm>

KvNameTrackerState::KvNameTrackerState(char delimiter, const kv::vector<KvString>& bases,
                                       const kv::vector<std::uint64_t>& counts,
                                       const kv::vector<std::uint64_t>& highest)
    : delimiter_(delimiter), bases_(bases), counts_(counts), highest_(highest) {}

KvNameTrackerState::~KvNameTrackerState() = default;

bool KvNameTrackerState::isSame(const KvNameTrackerState* other) const {
    return other && delimiter_ == other->delimiter_ && bases_ == other->bases_ && counts_ == other->counts_ &&
           highest_ == other->highest_;
}

KvNameTracker* KvNameTrackerState::recreateNameTracker() const { return new KvNameTracker(*this); }

void KvNameTrackerState::restoreNameTracker(KvNameTracker* tracker) const {
    if (!tracker) return;
    tracker->clear();
    tracker->delimiter_ = delimiter_;
    const size_t n = std::min({bases_.size(), counts_.size(), highest_.size()});
    for (size_t i = 0; i < n; ++i) {
        KvNameTracker::Record& rec = tracker->entries_[bases_[i]];
        rec.count = counts_[i];
        rec.highest = highest_[i];
    }
}
