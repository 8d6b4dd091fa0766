#pragma once

// kv::hash_set: an implicitly shared set of pointers (plain or reference),
// hashed and compared by pointer value. Two distinct objects are always two
// elements, whatever their operator< says. Iteration follows the hash order.
//
// Copies share one table until one of them is written to. As in kv::vector,
// an element taken out is let go only once the set is consistent again,
// because letting go of the last reference may run code that reads the set.

#include <KvSharedContainer.h>
#include <KvVector.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kv {

// Folds the high half of an address onto the low one.
struct AddressHash {
    size_t operator()(const void* p) const noexcept {
        auto v = reinterpret_cast<uintptr_t>(p);
        return static_cast<size_t>((v >> 31) ^ static_cast<uint32_t>(v));
    }
};

// Keyed by the plain address so that lookups never make a reference pointer
// (whose release could destroy an unreferenced object).
template <class T>
class hash_set : public detail::SharedContainer<std::unordered_map<const void*, T, AddressHash>, hash_set<T>> {
    using Table = std::unordered_map<const void*, T, AddressHash>;
    using Node = typename Table::node_type;
    using Base = detail::SharedContainer<Table, hash_set>;
    using Base::d_;
    using Base::keepOnly;

public:
    using Base::clear;
    using Base::empty;
    using Base::size;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;

        const_iterator() = default;
        reference operator*() const { return it_->second; }
        pointer operator->() const { return &it_->second; }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator old(*this);
            ++it_;
            return old;
        }
        bool operator==(const const_iterator& o) const { return it_ == o.it_; }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        friend class hash_set;
        explicit const_iterator(typename Table::const_iterator it) : it_(it) {}
        typename Table::const_iterator it_;
    };
    using iterator = const_iterator;
    using value_type = T;
    using size_type = size_t;

    hash_set() = default;
    hash_set(const hash_set&) = default;
    hash_set(hash_set&&) noexcept = default;
    hash_set(std::initializer_list<T> il) {
        for (const T& v : il)
            insert(v);
    }
    explicit hash_set(const vector<T>& v) { insert(v); }
    hash_set& operator=(const hash_set&) = default;
    hash_set& operator=(hash_set&&) noexcept = default;

    // --- reading
    const_iterator begin() const { return const_iterator(table().begin()); }
    const_iterator end() const { return const_iterator(table().end()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const_iterator constBegin() const { return begin(); }
    const_iterator constEnd() const { return end(); }

    template <class U, detail::IfPointerLike<U> = 0>
    const_iterator find(const U& v) const {
        return const_iterator(table().find(keyOf(v)));
    }
    template <class U, detail::IfPointerLike<U> = 0>
    bool contains(const U& v) const {
        return table().count(keyOf(v)) != 0;
    }
    template <class U, detail::IfPointerLike<U> = 0>
    size_t count(const U& v) const {
        return table().count(keyOf(v));
    }

    // Same elements; sets sharing a table are equal without a look.
    bool operator==(const hash_set& o) const {
        if (d_.isSharedWith(o.d_)) return true;
        if (size() != o.size()) return false;
        for (const auto& e : table())
            if (!o.table().count(e.first)) return false;
        return true;
    }
    bool operator!=(const hash_set& o) const { return !(*this == o); }

    // --- writing
    // Adds `v` unless present; the element's position.
    const_iterator insert(const T& v) {
        const void* key = keyOf(v);
        auto it = table().find(key);
        if (it != table().end()) return const_iterator(it);
        return const_iterator(d_.mutate().emplace(key, v).first);
    }
    void insert(const hash_set& o) {
        if (o.empty() || d_.isSharedWith(o.d_)) return;
        if (empty() && d_.isSharable()) {
            d_ = o.d_;
            return;
        }
        Table& t = d_.mutate();
        for (const auto& e : o.table())
            t.emplace(e.first, e.second);
    }
    void insert(const vector<T>& v) {
        if (v.empty()) return;
        Table& t = d_.mutate();
        for (const T& e : v)
            t.emplace(keyOf(e), e);
    }
    hash_set& unite(const hash_set& o) {
        insert(o);
        return *this;
    }
    hash_set& unite(const vector<T>& v) {
        insert(v);
        return *this;
    }

    // True when the element was present.
    template <class U, detail::IfPointerLike<U> = 0>
    bool erase(const U& v) {
        const void* key = keyOf(v);
        if (!table().count(key)) return false;
        Node dead = d_.mutate().extract(key);
        return true;
    }
    // The position after the one removed.
    const_iterator erase(const_iterator pos) {
        if (pos == end()) return pos;
        const void* key = pos.it_->first;
        const Table* before = &table();
        Table& t = d_.mutate();
        typename Table::const_iterator it = &t == before ? pos.it_ : t.find(key);
        typename Table::const_iterator next = std::next(it);
        Node dead = t.extract(it);
        return const_iterator(next);
    }
    void erase(const hash_set& o) {
        if (o.empty() || empty()) return;
        if (d_.isSharedWith(o.d_)) {
            clear();
            return;
        }
        std::vector<Node> dead;
        Table& t = d_.mutate();
        for (const auto& e : o.table()) {
            auto it = t.find(e.first);
            if (it != t.end()) dead.push_back(t.extract(it));
        }
    }
    void erase(const vector<T>& v) {
        if (v.empty() || empty()) return;
        std::vector<Node> dead;
        Table& t = d_.mutate();
        for (const T& e : v) {
            auto it = t.find(keyOf(e));
            if (it != t.end()) dead.push_back(t.extract(it));
        }
    }

    // Keeps only the elements that the other container holds too.
    hash_set& intersect(const hash_set& o) {
        if (!d_.isSharedWith(o.d_)) keepOnly([&](const auto& e) { return o.table().count(e.first) != 0; });
        return *this;
    }
    hash_set& intersect(const vector<T>& v) {
        std::unordered_map<const void*, bool, AddressHash> others;
        for (const T& e : v)
            others.emplace(keyOf(e), true);
        keepOnly([&](const auto& e) { return others.count(e.first) != 0; });
        return *this;
    }
    hash_set getIntersection(const hash_set& o) const {
        if (d_.isSharedWith(o.d_)) return *this;
        hash_set r;
        for (const auto& e : table())
            if (o.table().count(e.first)) r.d_.mutate().emplace(e.first, e.second);
        return r;
    }
    hash_set getUnion(const hash_set& o) const {
        hash_set r(*this);
        r.insert(o);
        return r;
    }

private:
    template <class U>
    static const void* keyOf(const U& v) {
        return detail::rawPointer(v);
    }
    const Table& table() const { return d_.get(); }
};

}  // namespace kv
