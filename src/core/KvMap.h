#pragma once

// kv::map: an implicitly shared map, walked in key order (the order of
// kv::set: genres by their operator<, anything else by operator<).
//
// Copies share one tree until one of them is written to. As in kv::set, a
// value taken out is let go only once the map is consistent again, because
// letting go of the last reference may run code that reads the map.

#include <KvSet.h>
#include <KvSharedContainer.h>
#include <KvVector.h>

#include <map>
#include <utility>

namespace kv {

template <class K, class V>
class map {
    using Tree = std::map<K, V, OrderOf<K>>;
    using Node = typename Tree::node_type;

public:
    using key_type = K;
    using mapped_type = V;
    using value_type = typename Tree::value_type;
    using size_type = size_t;
    using iterator = typename Tree::const_iterator;
    using const_iterator = iterator;

    // --- reading
    size_t size() const { return tree().size(); }
    bool empty() const { return tree().empty(); }
    bool isEmpty() const { return empty(); }
    iterator begin() const { return tree().begin(); }
    iterator end() const { return tree().end(); }
    iterator cbegin() const { return begin(); }
    iterator cend() const { return end(); }
    iterator find(const K& key) const { return tree().find(key); }
    bool contains(const K& key) const { return find(key) != end(); }
    // The value under `key`, or `fallback`.
    V value(const K& key, const V& fallback = V()) const {
        iterator it = find(key);
        return it == end() ? fallback : it->second;
    }
    // The keys in order.
    vector<K> keys() const {
        vector<K> out;
        out.reserve(size());
        for (const value_type& e : tree())
            out.push_back(e.first);
        return out;
    }
    bool isSharedWith(const map& o) const { return d_.isSharedWith(o.d_); }

    // --- writing
    // Puts `value` under `key`, in place of the value there.
    iterator insert(const K& key, const V& value) {
        Tree& t = d_.mutate();
        auto it = t.find(key);
        if (it == t.end()) return t.emplace(key, value).first;
        V fresh(value);  // `value` may be the one replaced
        V old(std::exchange(it->second, std::move(fresh)));
        return it;
    }
    // The value under `key`, made when absent, for writing.
    V& operator[](const K& key) { return d_.mutate()[key]; }
    // True when `key` was present.
    bool remove(const K& key) {
        if (!contains(key)) return false;
        Node dead = d_.mutate().extract(key);
        return true;
    }
    // The position after the one removed.
    iterator erase(iterator pos) {
        if (pos == end()) return pos;
        const Tree* before = &tree();
        Tree& t = d_.mutate();
        // A shared tree was copied; its other owners keep `pos` valid.
        if (&t != before) pos = t.find(pos->first);
        iterator next = std::next(pos);
        Node dead = t.extract(pos);
        return next;
    }
    void clear() { d_.clear(); }
    void swap(map& o) noexcept { d_.swap(o.d_); }

private:
    const Tree& tree() const { return d_.get(); }

    detail::Shared<Tree> d_;
};

}  // namespace kv
