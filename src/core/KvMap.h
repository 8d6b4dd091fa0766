#pragma once

// kv::map: an implicitly shared map, walked in the order of its keys'
// operator<.
//
// Copies share one tree until one of them is written to (the tree is Qt's,
// whose nodes are smaller than the standard map's). A value taken out is let
// go only once the map is consistent again, because letting go of the last
// reference may run code that reads the map.
//
// Iteration yields (key, value) pairs of references:
//   for (const auto& [key, value] : map) ...

#include <KvVector.h>

#include <QMap>

#include <cstddef>
#include <iterator>
#include <utility>

namespace kv {

template <class K, class V>
class map {
    using Tree = QMap<K, V>;

public:
    using key_type = K;
    using mapped_type = V;
    using size_type = size_t;

    class const_iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = std::pair<const K&, const V&>;
        using reference = value_type;
        using difference_type = std::ptrdiff_t;
        struct pointer {
            value_type entry;
            const value_type* operator->() const { return &entry; }
        };

        const_iterator() = default;
        reference operator*() const { return {it_.key(), it_.value()}; }
        pointer operator->() const { return {**this}; }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        const_iterator operator++(int) { return const_iterator(it_++); }
        const_iterator& operator--() {
            --it_;
            return *this;
        }
        const_iterator operator--(int) { return const_iterator(it_--); }
        bool operator==(const const_iterator& o) const { return it_ == o.it_; }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        friend class map;
        explicit const_iterator(typename Tree::const_iterator it) : it_(it) {}
        typename Tree::const_iterator it_;
    };
    using iterator = const_iterator;

    // --- reading
    size_t size() const { return static_cast<size_t>(d_.size()); }
    bool empty() const { return d_.isEmpty(); }
    bool isEmpty() const { return d_.isEmpty(); }
    const_iterator begin() const { return const_iterator(d_.constBegin()); }
    const_iterator end() const { return const_iterator(d_.constEnd()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const_iterator find(const K& key) const { return const_iterator(d_.constFind(key)); }
    bool contains(const K& key) const { return d_.contains(key); }
    // The value under `key`, or `fallback`.
    V value(const K& key, const V& fallback = V()) const { return d_.value(key, fallback); }
    // The keys in order.
    vector<K> keys() const {
        vector<K> out;
        out.reserve(size());
        for (auto it = d_.constBegin(); it != d_.constEnd(); ++it)
            out.push_back(it.key());
        return out;
    }
    bool isSharedWith(const map& o) const { return d_.isSharedWith(o.d_); }

    // --- writing
    // Puts `value` under `key`, in place of the value there.
    const_iterator insert(const K& key, const V& value) {
        V fresh(value);  // `value` may be the one replaced
        auto it = d_.find(key);
        if (it == d_.end()) return const_iterator(d_.insert(key, std::move(fresh)));
        // The old value dies after the map holds the new one: its destructor may look at the map.
        [[maybe_unused]] V old(std::exchange(it.value(), std::move(fresh)));
        return const_iterator(it);
    }
    // Puts `value` under `key` unless the key is taken; true when it did.
    bool tryInsert(const K& key, const V& value) {
        if (d_.contains(key)) return false;
        d_.insert(key, value);
        return true;
    }
    // The value under `key`, made when absent, for writing.
    V& operator[](const K& key) { return d_[key]; }
    // True when `key` was present.
    bool remove(const K& key) {
        if (!d_.contains(key)) return false;
        V dead = d_.take(key);
        return true;
    }
    // The position after the one removed.
    const_iterator erase(const_iterator pos) {
        if (pos == end()) return pos;
        const K key = pos.it_.key();
        V dead = d_.take(key);
        return const_iterator(d_.lowerBound(key));
    }
    void clear() {
        Tree dead;
        dead.swap(d_);
    }
    void swap(map& o) noexcept { d_.swap(o.d_); }

private:
    Tree d_;
};

}  // namespace kv
