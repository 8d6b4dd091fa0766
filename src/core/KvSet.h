#pragma once

// kv::set: an implicitly shared, ordered set.
//
// A set of pointers to genres (plain or reference pointers) is ordered by the
// objects' own virtual operator< (KvGenre's), so a set of framework objects
// follows whatever order their classes define, not their addresses; a null
// pointer comes before every object. Any other element type orders by its
// operator<. Two elements of which neither comes before the other are the same
// element: the set keeps the one inserted first.
//
// Copies share one tree until one of them is written to. As in kv::vector,
// an element taken out is let go only once the set is consistent again,
// because letting go of the last reference may run code that reads the set.

#include <KvExcept.h>
#include <KvGenre.h>
#include <KvSharedContainer.h>
#include <KvVector.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <set>
#include <type_traits>
#include <utility>
#include <vector>

namespace kv {

// Orders plain or reference pointers by the objects they point to; null first.
struct GenreLess {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
        const KvGenre* x = detail::rawPointer(a);
        const KvGenre* y = detail::rawPointer(b);
        if (!x || !y) return !x && y;
        return *x < *y;
    }
};

namespace detail {
template <class T, class = void>
struct IsGenrePointer : std::false_type {};
template <class T>
struct IsGenrePointer<T, std::void_t<decltype(rawPointer(std::declval<const T&>()))>>
    : std::is_base_of<KvGenre,
                      std::remove_cv_t<std::remove_pointer_t<decltype(rawPointer(std::declval<const T&>()))>>> {};
}  // namespace detail

// The order of kv::set elements.
template <class T>
using OrderOf = std::conditional_t<detail::IsGenrePointer<T>::value, GenreLess, std::less<>>;

template <class T>
class set : public detail::SharedContainer<std::set<T, OrderOf<T>>, set<T>> {
    using Tree = std::set<T, OrderOf<T>>;
    using Node = typename Tree::node_type;
    using Base = detail::SharedContainer<Tree, set>;
    using Base::d_;
    using Base::keepOnly;

public:
    using std_set = Tree;
    using value_type = T;
    using key_type = T;
    using size_type = size_t;
    using Base::begin;
    using Base::clear;
    using Base::empty;
    using Base::end;
    using Base::size;
    using typename Base::iterator;

    set() = default;
    set(const set&) = default;
    set(set&&) noexcept = default;
    set(std::initializer_list<T> il) {
        for (const T& v : il)
            insert(v);
    }
    explicit set(const vector<T>& v) { insert(v); }
    template <class C>
    explicit set(const std::set<T, C>& s) {
        if (s.empty()) return;
        Tree& t = d_.mutate();
        for (const T& v : s)
            t.insert(t.end(), v);
    }
    set& operator=(const set&) = default;
    set& operator=(set&&) noexcept = default;

    // --- reading
    // A set of pointers is searched with plain pointers as well, which takes
    // no reference.
    template <class U>
    iterator find(const U& v) const {
        return tree().find(v);
    }
    template <class U>
    iterator constFind(const U& v) const {
        return find(v);
    }
    template <class U>
    bool contains(const U& v) const {
        return find(v) != end();
    }
    template <class U>
    size_t count(const U& v) const {
        return contains(v) ? 1 : 0;
    }
    // The smallest and the largest element.
    const T& first() const {
        checkNotEmpty();
        return *tree().begin();
    }
    const T& last() const {
        checkNotEmpty();
        return *tree().rbegin();
    }

    // Same size and, in order, the same elements; sets sharing a tree are
    // equal without a look.
    bool operator==(const set& o) const {
        if (d_.isSharedWith(o.d_)) return true;
        if (size() != o.size()) return false;
        OrderOf<T> less;
        return std::equal(begin(), end(), o.begin(),
                          [&](const T& a, const T& b) { return !less(a, b) && !less(b, a); });
    }
    bool operator!=(const set& o) const { return !(*this == o); }

    Tree toStdSet() const { return tree(); }

    // --- writing
    // Adds `v` unless the same element is present; the element's position.
    iterator insert(const T& v) {
        iterator it = find(v);
        if (it != end()) return it;
        return d_.mutate().insert(v).first;
    }
    iterator insert(iterator hint, const T& v) {
        iterator it = find(v);
        if (it != end()) return it;
        const Tree* before = &tree();
        Tree& t = d_.mutate();
        return &t == before ? t.insert(hint, v) : t.insert(v).first;
    }
    void insert(const set& o) {
        if (o.empty() || d_.isSharedWith(o.d_)) return;
        if (empty() && d_.isSharable()) {
            d_ = o.d_;
            return;
        }
        Tree& t = d_.mutate();
        for (const T& v : o.tree())
            t.insert(t.end(), v);
    }
    void insert(const vector<T>& v) {
        if (v.empty()) return;
        Tree& t = d_.mutate();
        for (const T& e : v)
            t.insert(e);
    }
    set& unite(const set& o) {
        insert(o);
        return *this;
    }

    // True when the element was present.
    template <class U>
    bool erase(const U& v) {
        if (!contains(v)) return false;
        Tree& t = d_.mutate();
        Node dead = t.extract(t.find(v));
        return true;
    }
    template <class U>
    bool remove(const U& v) {
        return erase(v);
    }
    // The position after the one removed.
    iterator erase(iterator pos) {
        if (pos == end()) return pos;
        const Tree* before = &tree();
        Tree& t = d_.mutate();
        // A shared tree was copied; its other owners keep `pos` valid.
        if (&t != before) pos = t.find(*pos);
        iterator next = std::next(pos);
        Node dead = t.extract(pos);
        return next;
    }
    void erase(const set& o) {
        if (o.empty() || empty()) return;
        if (d_.isSharedWith(o.d_)) {
            clear();
            return;
        }
        std::vector<Node> dead;
        Tree& t = d_.mutate();
        for (const T& v : o.tree()) {
            auto it = t.find(v);
            if (it != t.end()) dead.push_back(t.extract(it));
        }
    }
    void erase(const vector<T>& v) {
        if (v.empty() || empty()) return;
        std::vector<Node> dead;
        Tree& t = d_.mutate();
        for (const T& e : v) {
            auto it = t.find(e);
            if (it != t.end()) dead.push_back(t.extract(it));
        }
    }

    // Keeps only the elements that the other container holds too.
    set& intersect(const set& o) {
        if (!d_.isSharedWith(o.d_)) keepOnly([&](const T& v) { return o.contains(v); });
        return *this;
    }
    set& intersect(const vector<T>& v) {
        const set others(v);
        keepOnly([&](const T& e) { return others.contains(e); });
        return *this;
    }
    set getIntersection(const set& o) const {
        if (d_.isSharedWith(o.d_)) return *this;
        set r;
        Tree* t = nullptr;
        for (const T& v : tree()) {
            if (!o.contains(v)) continue;
            if (!t) t = &r.d_.mutate();
            t->insert(t->end(), v);
        }
        return r;
    }
    set getUnion(const set& o) const {
        set r(*this);
        r.insert(o);
        return r;
    }

private:
    const Tree& tree() const { return d_.get(); }
    void checkNotEmpty() const {
        if (empty()) throw KvExcept("!isEmpty()");
    }
};

}  // namespace kv
