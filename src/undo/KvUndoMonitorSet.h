#pragma once

#include <KvBaseExport.h>
#include <KvUndoAddressIndex.h>

#include <cstddef>
#include <vector>

class KvUndoMonitor;

// The set of monitors of one checkpoint, ordered by address when walked.
//
// A closed checkpoint is walked in order and rarely searched, so its set is a
// plain sorted array (8 bytes a monitor). An open checkpoint is searched on
// every change; once it holds more than a few monitors out of order it keeps
// a hash index beside the array, and the array is sorted again (and the index
// dropped) the next time somebody walks it. Monitors that arrive in address
// order, the common case, are appended without a search.
//
// The set holds no references itself; the checkpoint counts them.
class KV_BASE_EXPORT KvUndoMonitorSet {
public:
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    bool contains(const KvUndoMonitor* m) const;
    // True when `m` was not there yet.
    bool insert(KvUndoMonitor* m);
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

private:
    static constexpr size_t kIndexFrom = 16;
    size_t position(const KvUndoMonitor* m) const;
    void buildIndex();

    std::vector<KvUndoMonitor*> items_;
    bool sorted_ = true;
    KvUndoAddressIndex index_;  // only while unsorted and large
};
