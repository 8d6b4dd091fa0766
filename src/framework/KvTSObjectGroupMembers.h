#pragma once

#include <KvBaseExport.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityArray1.h>
#include <KvRefPtr.h>

#include <QHash>

#include <cstddef>
#include <cstdint>
#include <deque>

// The ordered, duplicate-free member list of a group. Each member carries a
// number that grows with insertion, so a member's position is found by a
// binary search; removal at either end costs nothing and elsewhere moves the
// shorter side. A group that loses its members one by one, from the front as
// from the back, thus never pays for its size on each removal.
class KV_BASE_EXPORT KvTSObjectGroupMembers {
    struct Entry {
        uint64_t seq;
        KvRefPtr<KvFrameworkEntity> entity;
    };
    using List = std::deque<Entry>;

public:
    static constexpr size_t npos = size_t(-1);

    class iterator {
    public:
        explicit iterator(List::const_iterator it) : it_(it) {}
        KvFrameworkEntity* operator*() const { return it_->entity.get(); }
        iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator!=(const iterator& o) const { return it_ != o.it_; }

    private:
        List::const_iterator it_;
    };

    size_t size() const { return list_.size(); }
    bool empty() const { return list_.empty(); }
    iterator begin() const { return iterator(list_.cbegin()); }
    iterator end() const { return iterator(list_.cend()); }
    KvFrameworkEntity* operator[](size_t i) const { return list_[i].entity.get(); }
    bool contains(const KvObservedObject* e) const { return seqs_.contains(e); }
    size_t indexOf(const KvObservedObject* e) const;

    void push_back(KvFrameworkEntity* e);
    // Puts `e`, not a member, in the place of entry `i`.
    void replace(size_t i, KvFrameworkEntity* e);
    void removeAt(size_t i);
    void swap(KvTSObjectGroupMembers& o) noexcept {
        list_.swap(o.list_);
        seqs_.swap(o.seqs_);
        std::swap(next_, o.next_);
    }
    KvFrameworkEntityArray1 toArray() const;

private:
    List list_;
    QHash<const KvObservedObject*, uint64_t> seqs_;
    uint64_t next_ = 0;
};
