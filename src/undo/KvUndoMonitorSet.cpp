#include <KvUndoMonitorSet.h>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace {
const std::less<const KvUndoMonitor*> before;

// Address order in linear time: a step that changed a million objects in no
// particular order must not pay n log n to close.
void sortByAddress(std::vector<KvUndoMonitor*>& v) {
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

size_t KvUndoMonitorSet::position(const KvUndoMonitor* m) const {
    if (sorted_) {
        auto it = std::lower_bound(items_.begin(), items_.end(), m, before);
        return it != items_.end() && *it == m ? static_cast<size_t>(it - items_.begin()) : items_.size();
    }
    if (index_.isBuilt()) {
        uint32_t pos = index_.find(m, [this](uint32_t i) -> const void* { return items_[i]; });
        return pos == KvUndoAddressIndex::npos ? items_.size() : pos;
    }
    auto it = std::find(items_.begin(), items_.end(), m);
    return static_cast<size_t>(it - items_.begin());
}

bool KvUndoMonitorSet::contains(const KvUndoMonitor* m) const { return position(m) != items_.size(); }

void KvUndoMonitorSet::buildIndex() {
    index_.rebuild(items_.size(), [this](uint32_t i) -> const void* { return items_[i]; });
}

bool KvUndoMonitorSet::insert(KvUndoMonitor* m) {
    if (!m) return false;
    // In-order arrival: nothing already held can equal a larger address.
    if (sorted_ && (items_.empty() || before(items_.back(), m))) {
        items_.push_back(m);
        return true;
    }
    if (contains(m)) return false;
    if (sorted_) {
        sorted_ = false;
        if (items_.size() >= kIndexFrom) buildIndex();
    } else if (!index_.isBuilt() && items_.size() >= kIndexFrom) {
        buildIndex();
    }
    if (index_.isBuilt())
        index_.insert(m, static_cast<uint32_t>(items_.size()), items_.size(),
                      [this](uint32_t i) -> const void* { return items_[i]; });
    items_.push_back(m);
    return true;
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
    return true;
}

const std::vector<KvUndoMonitor*>& KvUndoMonitorSet::ordered() {
    if (!sorted_) {
        sortByAddress(items_);
        sorted_ = true;
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
    index_.clear();
}
