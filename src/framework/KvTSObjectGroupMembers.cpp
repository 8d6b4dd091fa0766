#include <KvTSObjectGroupMembers.h>

#include <algorithm>
#include <utility>

size_t KvTSObjectGroupMembers::indexOf(const KvObservedObject* e) const {
    auto found = seqs_.constFind(e);
    if (found == seqs_.cend()) return npos;
    const uint64_t seq = found.value();
    auto it = std::lower_bound(list_.cbegin(), list_.cend(), seq,
                               [](const Entry& entry, uint64_t s) { return entry.seq < s; });
    return static_cast<size_t>(it - list_.cbegin());
}

void KvTSObjectGroupMembers::push_back(KvFrameworkEntity* e) {
    list_.push_back({next_, KvRefPtr<KvFrameworkEntity>(e)});
    seqs_.insert(e, next_++);
}

void KvTSObjectGroupMembers::replace(size_t i, KvFrameworkEntity* e) {
    Entry& entry = list_[i];
    seqs_.remove(entry.entity.get());
    seqs_.insert(e, entry.seq);
    // The old member may go with its last reference: only once the list is
    // consistent again.
    KvRefPtr<KvFrameworkEntity> old = std::exchange(entry.entity, KvRefPtr<KvFrameworkEntity>(e));
}

void KvTSObjectGroupMembers::removeAt(size_t i) {
    KvRefPtr<KvFrameworkEntity> old = std::move(list_[i].entity);
    seqs_.remove(old.get());
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(i));
}

KvFrameworkEntityArray1 KvTSObjectGroupMembers::toArray() const {
    KvFrameworkEntityArray1 out;
    out.reserve(list_.size());
    for (const Entry& entry : list_)
        out.push_back(entry.entity.get());
    return out;
}
