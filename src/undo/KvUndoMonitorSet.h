#pragma once

#include <KvBaseExport.h>
#include <KvUndoAddressIndex.h>

#include <cstddef>
#include <vector>

class KvUndoMonitor;

// The set of monitors of one checkpoint, ordered by address when walked.
//
// A plain array (8 bytes a monitor), sorted again the next time somebody walks
// it after monitors arrived out of order. The open checkpoint knows by itself
// whether a monitor is in its set (see KvUndoCheckpoint::add) and appends
// without a search; a search of an unsorted set that is not small builds a
// hash index beside the array, kept until the next sort.
//
// The set holds no references itself; the checkpoint counts them.
class KV_BASE_EXPORT KvUndoMonitorSet {
public:
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    bool contains(const KvUndoMonitor* m) { return position(m) != items_.size(); }
    // True when `m` was not there yet.
    bool insert(KvUndoMonitor* m);
    // `m` must be absent.
    void append(KvUndoMonitor* m);
    // True when `m` was there.
    bool remove(const KvUndoMonitor* m);
    // The monitors in address order; valid until the next change.
    const std::vector<KvUndoMonitor*>& ordered();
    // Empties the set and hands its monitors over, in address order.
    std::vector<KvUndoMonitor*> takeAll();
    // Replaces the contents by `sorted`, which must be in address order
    // without duplicates.
    void assignSorted(std::vector<KvUndoMonitor*>&& sorted);
    void squeeze() { items_.shrink_to_fit(); }
    void reserve(size_t n) { items_.reserve(n); }

private:
    static constexpr size_t kIndexFrom = 16;
    size_t position(const KvUndoMonitor* m);
    void buildIndex();

    std::vector<KvUndoMonitor*> items_;
    bool sorted_ = true;
    size_t descents_ = 0;       // appends below their predecessor since the last sort
    KvUndoAddressIndex index_;  // only while unsorted and large
};
