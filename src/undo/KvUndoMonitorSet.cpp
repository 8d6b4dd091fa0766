#include <KvUndoMonitorSet.h>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace {
const std::less<const KvUndoMonitor*> before;

// Merges the ascending runs of `v`, pairwise, a pass per halving of their
// number.
void mergeRuns(std::vector<KvUndoMonitor*>& v) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < v.size(); ++i)
        if (i == 0 || before(v[i], v[i - 1])) starts.push_back(i);
    starts.push_back(v.size());
    std::vector<KvUndoMonitor*> out(v.size());
    while (starts.size() > 2) {
        std::vector<size_t> next;
        size_t r = 0;
        for (; r + 2 < starts.size(); r += 2) {
            next.push_back(starts[r]);
            std::merge(v.begin() + static_cast<std::ptrdiff_t>(starts[r]),
                       v.begin() + static_cast<std::ptrdiff_t>(starts[r + 1]),
                       v.begin() + static_cast<std::ptrdiff_t>(starts[r + 1]),
                       v.begin() + static_cast<std::ptrdiff_t>(starts[r + 2]),
                       out.begin() + static_cast<std::ptrdiff_t>(starts[r]), before);
        }
        if (r + 1 < starts.size()) {
            next.push_back(starts[r]);
            std::copy(v.begin() + static_cast<std::ptrdiff_t>(starts[r]), v.end(),
                      out.begin() + static_cast<std::ptrdiff_t>(starts[r]));
        }
        next.push_back(v.size());
        starts.swap(next);
        v.swap(out);
    }
}

// Address order in linear time: a step that changed a million objects in no
// particular order must not pay n log n to close. Objects are mostly changed
// in the order they were made, and so mostly in address order: a few runs
// are merged instead.
void sortByAddress(std::vector<KvUndoMonitor*>& v, size_t descents) {
    if (descents < 64) {
        mergeRuns(v);
        return;
    }
    if (v.size() < 4096) {
        std::sort(v.begin(), v.end(), before);
        return;
    }
    constexpr int kBits = 11;
    constexpr size_t kBuckets = size_t(1) << kBits;
    std::vector<KvUndoMonitor*> out(v.size());
    std::vector<size_t> count(kBuckets);
    for (int shift = 4; shift < 64; shift += kBits) {
        std::fill(count.begin(), count.end(), 0);
        for (KvUndoMonitor* m : v)
            ++count[(reinterpret_cast<uintptr_t>(m) >> shift) & (kBuckets - 1)];
        if (std::find(count.begin(), count.end(), v.size()) != count.end()) continue;  // one digit for all
        size_t sum = 0;
        for (size_t& c : count) {
            size_t n = c;
            c = sum;
            sum += n;
        }
        for (KvUndoMonitor* m : v)
            out[count[(reinterpret_cast<uintptr_t>(m) >> shift) & (kBuckets - 1)]++] = m;
        v.swap(out);
    }
}
}  // namespace

size_t KvUndoMonitorSet::position(const KvUndoMonitor* m) {
    if (sorted_) {
        auto it = std::lower_bound(items_.begin(), items_.end(), m, before);
        return it != items_.end() && *it == m ? static_cast<size_t>(it - items_.begin()) : items_.size();
    }
    if (!index_.isBuilt() && items_.size() >= kIndexFrom) buildIndex();
    if (index_.isBuilt()) {
        uint32_t pos = index_.find(m, [this](uint32_t i) -> const void* { return items_[i]; });
        return pos == KvUndoAddressIndex::npos ? items_.size() : pos;
    }
    auto it = std::find(items_.begin(), items_.end(), m);
    return static_cast<size_t>(it - items_.begin());
}

void KvUndoMonitorSet::buildIndex() {
    index_.rebuild(items_.size(), [this](uint32_t i) -> const void* { return items_[i]; });
}

bool KvUndoMonitorSet::insert(KvUndoMonitor* m) {
    if (!m) return false;
    // In-order arrival: nothing already held can equal a larger address.
    if (!(sorted_ && (items_.empty() || before(items_.back(), m))) && contains(m)) return false;
    append(m);
    return true;
}

void KvUndoMonitorSet::append(KvUndoMonitor* m) {
    if (!items_.empty() && !before(items_.back(), m)) {
        sorted_ = false;
        ++descents_;
    }
    if (index_.isBuilt())
        index_.insert(m, static_cast<uint32_t>(items_.size()), items_.size(),
                      [this](uint32_t i) -> const void* { return items_[i]; });
    items_.push_back(m);
}

bool KvUndoMonitorSet::remove(const KvUndoMonitor* m) {
    size_t pos = position(m);
    if (pos == items_.size()) return false;
    if (sorted_) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(pos));
        return true;
    }
    // Unordered: move the last element into the gap.
    auto keyAt = [this](uint32_t i) -> const void* { return items_[i]; };
    KvUndoMonitor* last = items_.back();
    if (index_.isBuilt()) {
        index_.erase(m, keyAt);
        if (last != m) index_.move(last, static_cast<uint32_t>(pos), keyAt);
    }
    items_[pos] = last;
    items_.pop_back();
    descents_ += 2;  // at most, around the moved monitor
    return true;
}

const std::vector<KvUndoMonitor*>& KvUndoMonitorSet::ordered() {
    if (!sorted_) {
        sortByAddress(items_, descents_);
        sorted_ = true;
        descents_ = 0;
        index_.clear();
    }
    return items_;
}

std::vector<KvUndoMonitor*> KvUndoMonitorSet::takeAll() {
    ordered();
    std::vector<KvUndoMonitor*> out;
    out.swap(items_);
    return out;
}

void KvUndoMonitorSet::assignSorted(std::vector<KvUndoMonitor*>&& sorted) {
    items_ = std::move(sorted);
    sorted_ = true;
    descents_ = 0;
    index_.clear();
}
