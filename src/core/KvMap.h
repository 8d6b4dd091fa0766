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
class map : public detail::SharedContainer<std::map<K, V, OrderOf<K>>, map<K, V>> {
    using Tree = std::map<K, V, OrderOf<K>>;
    using Node = typename Tree::node_type;
    using Base = detail::SharedContainer<Tree, map>;
    using Base::d_;

public:
    using key_type = K;
    using mapped_type = V;
    using value_type = typename Tree::value_type;
    using size_type = size_t;
    using Base::end;
    using Base::size;
    using typename Base::iterator;

    // --- reading
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

    // --- writing
    // Puts `value` under `key`, in place of the value there.
    iterator insert(const K& key, const V& value) {
        V fresh(value);  // `value` may be the one replaced
        Tree& t = d_.mutate();
        auto pos = t.lower_bound(key);
        if (pos == t.end() || t.key_comp()(key, pos->first)) return t.emplace_hint(pos, key, std::move(fresh));
        V old(std::exchange(pos->second, std::move(fresh)));
        return pos;
    }
    // Puts `value` under `key` unless the key is taken; true when it did.
    bool tryInsert(const K& key, const V& value) {
        const Tree* before = &tree();
        auto pos = before->lower_bound(key);
        if (pos != before->end() && !before->key_comp()(key, pos->first)) return false;
        Tree& t = d_.mutate();
        if (&t != before) pos = t.lower_bound(key);  // a shared tree was copied
        t.emplace_hint(pos, key, value);
        return true;
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

private:
    const Tree& tree() const { return d_.get(); }
};

}  // namespace kv
