#pragma once

// kv::vector: an implicitly shared, copy-on-write array.
//
// Copies share one block and add to its atomic count; the first write to a
// shared block copies it. Elements are constructed and destroyed in place, so
// any copyable type works (strings, plain pointers, reference pointers).
// Because the block, not each copy, owns the elements, copying a vector of
// reference pointers does not touch the objects' reference counts.
//
// Dropping an element may run arbitrary code (the last reference to an object
// starts its destruction, which can deliver notifications at once, and a
// handler may read or change this very vector). So every operation that drops
// elements first moves them out, makes the vector consistent, and only then
// lets them go.

#include <KvExcept.h>
#include <KvRefCount.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <new>
#include <utility>
#include <vector>

// Reverse iteration is the standard adaptor over element positions; the
// names stay for code written against them.
template <class T>
using KvConstReverseVectorIteratorImpl = std::reverse_iterator<const T*>;
template <class T>
using KvReverseVectorIteratorImpl = std::reverse_iterator<T*>;

namespace kv {

namespace detail {
// Header of a vector's shared block; the elements follow it.
struct alignas(std::max_align_t) VectorBlock {
    KvRefCount ref;  // vectors sharing the block
    size_t capacity;
    size_t size;
    uint32_t flags;
};
}  // namespace detail

template <class T>
class vector {
    using Block = detail::VectorBlock;
    static_assert(alignof(T) <= alignof(Block), "over-aligned element type");
    enum : uint32_t { Sharable = 1, CapacityReserved = 2 };
    // Shrinking resizes give memory back only above this capacity.
    static constexpr size_t kSqueezeAbove = 1000;

public:
    using value_type = T;
    using size_type = size_t;
    using difference_type = ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using pointer = T*;
    using const_pointer = const T*;
    using iterator = T*;
    using const_iterator = const T*;
    using reverse_iterator = KvReverseVectorIteratorImpl<T>;
    using const_reverse_iterator = KvConstReverseVectorIteratorImpl<T>;
    static constexpr size_t npos = static_cast<size_t>(-1);

    vector() = default;
    explicit vector(size_t n) { resize(n); }
    vector(size_t n, const T& v) { resize(n, v); }
    vector(std::initializer_list<T> il) { assign(il.begin(), il.end()); }
    template <class It, class = typename std::iterator_traits<It>::iterator_category>
    vector(It first, It last) {
        assign(first, last);
    }
    vector(const vector& o) { shareFrom(o); }
    vector(vector&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    ~vector() { release(std::exchange(b_, nullptr)); }

    // The old contents are released only once this holds the new ones.
    vector& operator=(const vector& o) {
        if (b_ != o.b_) {
            vector keep(o);
            swap(keep);
        }
        return *this;
    }
    vector& operator=(vector&& o) noexcept {
        if (this != &o) {
            vector keep(std::move(o));
            swap(keep);
        }
        return *this;
    }
    vector& operator=(std::initializer_list<T> il) {
        assign(il.begin(), il.end());
        return *this;
    }

    // --- reading
    size_t size() const { return b_ ? b_->size : 0; }
    bool empty() const { return size() == 0; }
    bool isEmpty() const { return empty(); }
    size_t capacity() const { return b_ ? b_->capacity : 0; }
    size_t max_size() const { return (std::numeric_limits<size_t>::max() - sizeof(Block)) / sizeof(T); }
    const T* data() const { return b_ ? elems(b_) : nullptr; }
    const T* constData() const { return data(); }
    const T& operator[](size_t i) const {
        checkIndex(i);
        return elems(b_)[i];
    }
    const T& at(size_t i) const { return (*this)[i]; }
    const T& front() const {
        checkNotEmpty();
        return elems(b_)[0];
    }
    const T& back() const {
        checkNotEmpty();
        return elems(b_)[b_->size - 1];
    }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size(); }
    const T* cbegin() const { return begin(); }
    const T* cend() const { return end(); }
    const T* constBegin() const { return begin(); }
    const T* constEnd() const { return end(); }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }
    const_reverse_iterator rconstBegin() const { return rbegin(); }
    const_reverse_iterator rconstEnd() const { return rend(); }

    // Lookups compare with ==, so a plain pointer finds a reference pointer
    // without taking a reference.
    template <class U>
    bool contains(const U& v) const {
        return indexOf(v) != npos;
    }
    template <class U>
    size_t indexOf(const U& v) const {
        for (size_t i = 0, n = size(); i < n; ++i)
            if (elems(b_)[i] == v) return i;
        return npos;
    }
    template <class U>
    size_t count(const U& v) const {
        size_t c = 0;
        for (const T& e : *this)
            if (e == v) ++c;
        return c;
    }

    // True when both share one block, or hold equal elements in order.
    bool equals(const vector& o) const {
        if (b_ == o.b_) return true;
        return size() == o.size() && std::equal(begin(), end(), o.begin());
    }
    bool operator==(const vector& o) const { return equals(o); }
    bool operator!=(const vector& o) const { return !equals(o); }
    bool isSharedWith(const vector& o) const { return b_ == o.b_; }
    bool isDetached() const { return !b_ || isUnique(); }
    bool isSharable() const { return !b_ || (b_->flags & Sharable); }
    bool isCapacityReserved() const { return b_ && (b_->flags & CapacityReserved); }

    // --- writing (each makes the block unshared first)
    T* data() {
        detach();
        return b_ ? elems(b_) : nullptr;
    }
    T& operator[](size_t i) {
        checkIndex(i);
        detach();
        return elems(b_)[i];
    }
    T& at(size_t i) { return (*this)[i]; }
    T& front() {
        checkNotEmpty();
        detach();
        return elems(b_)[0];
    }
    T& back() {
        checkNotEmpty();
        detach();
        return elems(b_)[b_->size - 1];
    }
    T* begin() { return data(); }
    T* end() { return data() + size(); }
    reverse_iterator rbegin() { return reverse_iterator(end()); }
    reverse_iterator rend() { return reverse_iterator(begin()); }

    void detach() {
        if (b_ && !isUnique()) reallocate(b_->capacity, b_->size);
    }
    // An unsharable vector is copied at once by copy construction and
    // assignment instead of sharing its block.
    void setSharable(bool sharable) {
        if (!sharable) {
            if (b_)
                detach();
            else
                b_ = allocate(0);
            b_->flags &= ~Sharable;
        } else if (b_ && !(b_->flags & Sharable)) {
            b_->flags |= Sharable;
        }
    }

    void push_back(const T& v) {
        // Copy first: `v` may live in this vector, and growth moves it.
        T copy(v);
        emplaceBack(std::move(copy));
    }
    void push_back(T&& v) {
        T copy(std::move(v));
        emplaceBack(std::move(copy));
    }
    void append(const T& v) { push_back(v); }
    void push_front(const T& v) { insert(cbegin(), v); }
    // Appends `v` unless an equal element is present; true when appended.
    bool push_back_unique(const T& v) {
        if (contains(v)) return false;
        push_back(v);
        return true;
    }
    vector& operator<<(const T& v) {
        push_back(v);
        return *this;
    }
    vector& operator<<(const vector& o) {
        if (o.empty()) return *this;
        vector keep(o);  // `o` may be this vector
        if (size() + keep.size() > capacity()) reallocate(grownCapacity(size() + keep.size()), size());
        for (const T& e : keep)
            push_back(e);
        return *this;
    }
    vector& operator+=(const vector& o) { return *this << o; }

    T* insert(const T* pos, const T& v) { return insert(pos, 1, v); }
    T* insert(const T* pos, size_t n, const T& v) {
        size_t at = positionOf(pos);
        T copy(v);
        vector tmp;
        tmp.reserve(n);
        for (size_t i = 0; i < n; ++i)
            tmp.push_back(copy);
        return insertRange(at, tmp.cbegin(), tmp.cend());
    }
    template <class It, class = typename std::iterator_traits<It>::iterator_category>
    T* insert(const T* pos, It first, It last) {
        size_t at = positionOf(pos);
        vector tmp;  // the range may lie in this vector
        for (; first != last; ++first)
            tmp.push_back(*first);
        return insertRange(at, tmp.cbegin(), tmp.cend());
    }

    T* erase(const T* pos) {
        size_t at = positionOf(pos);
        checkIndex(at);
        return eraseRange(at, at + 1);
    }
    T* erase(const T* first, const T* last) {
        size_t from = positionOf(first), to = positionOf(last);
        if (to < from) throw KvExcept("index out of range");
        return eraseRange(from, to);
    }
    // Removes every element equal to `v`, keeping the order of the others;
    // returns how many went.
    template <class U>
    size_t eraseAll(const U& v) {
        if (!contains(v)) return 0;
        const U copy(v);  // `v` may be one of the elements removed
        detach();
        T* e = elems(b_);
        size_t n = b_->size, out = 0;
        Graveyard dead;
        for (size_t i = 0; i < n; ++i) {
            if (e[i] == copy)
                dead.take(e[i]);
            else if (out != i)
                e[out++] = std::move(e[i]);
            else
                ++out;
        }
        destroyRange(e + out, e + n);
        b_->size = out;
        return n - out;
    }
    void pop_back() {
        checkNotEmpty();
        Graveyard dead;
        takeTail(b_->size - 1, dead);
    }
    void pop_front() {
        checkNotEmpty();
        erase(cbegin());
    }
    void removeAt(size_t i) {
        checkIndex(i);
        erase(cbegin() + i);
    }

    template <class It, class = typename std::iterator_traits<It>::iterator_category>
    void assign(It first, It last) {
        vector tmp;
        for (; first != last; ++first)
            tmp.push_back(*first);
        swap(tmp);
    }
    void assign(size_t n, const T& v) {
        vector tmp(n, v);
        swap(tmp);
    }
    // Sets every element to `v`.
    void fill(const T& v) {
        if (empty()) return;
        T copy(v);
        detach();
        T* e = elems(b_);
        Graveyard dead(e, e + b_->size);
        for (size_t i = 0, n = b_->size; i < n; ++i)
            e[i] = copy;
    }
    // Resizes to `n` elements, all equal to `v`.
    void fill(size_t n, const T& v) {
        T copy(v);
        Graveyard dead;
        if (b_) takeTail(0, dead);
        resizeImpl(n, &copy);
    }

    // Grows the capacity to at least `n`. An unshared block remembers that
    // its capacity was asked for (clear() keeps it) until squeeze().
    void reserve(size_t n) {
        if (n > capacity()) reallocate(n, size());
        if (b_ && isUnique()) b_->flags |= CapacityReserved;
    }
    // Shrinks the capacity to the size and forgets any reservation.
    void squeeze() {
        if (!b_) return;
        if (b_->size == 0 && (b_->flags & Sharable)) {
            release(std::exchange(b_, nullptr));
            return;
        }
        if (b_->size < b_->capacity || (!isUnique() && (b_->flags & CapacityReserved))) reallocate(b_->size, b_->size);
        if (b_->flags & CapacityReserved) b_->flags &= ~CapacityReserved;
    }
    // Grows with default elements; a shrink above 1000 slots also squeezes.
    void resize(size_t n) { resizeImpl(n, nullptr); }
    void resize(size_t n, const T& v) {
        T copy(v);
        resizeImpl(n, &copy);
    }
    // Empties the vector; a reserved or unsharable block is kept.
    void clear() {
        if (!b_) return;
        if (isUnique() && (b_->flags & (CapacityReserved | Sharable)) != Sharable) {
            Graveyard dead;
            takeTail(0, dead);
        } else {
            release(std::exchange(b_, nullptr));
        }
    }
    // Empties the vector, then makes `n` default elements.
    void clear(size_t n) {
        resize(0);
        resize(n);
    }
    void swap(vector& o) noexcept { std::swap(b_, o.b_); }

    // `n` times: the first element moves to the back.
    void rotate(size_t n) {
        if (n == 0) return;
        checkNotEmpty();
        detach();
        T* e = elems(b_);
        std::rotate(e, e + n % b_->size, e + b_->size);
    }
    // `n` times: the last element moves to the front.
    void rotateBack(size_t n) {
        if (n == 0) return;
        checkNotEmpty();
        detach();
        T* e = elems(b_);
        size_t s = b_->size;
        std::rotate(e, e + (s - n % s) % s, e + s);
    }
    vector& reverse() {
        if (size() > 1) {
            detach();
            std::reverse(elems(b_), elems(b_) + b_->size);
        }
        return *this;
    }

private:
    // Holds elements moved out of the vector until the vector is consistent;
    // declare it before the changes so that it is destroyed after them.
    struct Graveyard {
        Graveyard() = default;
        Graveyard(T* first, T* last) {
            items.reserve(static_cast<size_t>(last - first));
            for (; first != last; ++first)
                take(*first);
        }
        void take(T& v) { items.push_back(std::move(v)); }
        std::vector<T> items;
    };

    static T* elems(Block* b) { return reinterpret_cast<T*>(b + 1); }
    bool isUnique() const { return b_->ref.getRefCount() == 1; }

    size_t positionOf(const T* pos) const {
        const T* first = data();
        if (pos == first) return 0;
        if (!first || pos < first || pos > first + size()) throw KvExcept("index out of range");
        return static_cast<size_t>(pos - first);
    }
    void checkIndex(size_t i) const {
        if (i >= size()) throw KvExcept("index out of range");
    }
    void checkNotEmpty() const {
        if (empty()) throw KvExcept("!isEmpty()");
    }

    // Appends a value that does not live in this vector.
    void emplaceBack(T&& v) {
        growFor(size() + 1);
        new (elems(b_) + b_->size) T(std::move(v));
        ++b_->size;
    }

    // `first`..`last` must not point into this vector.
    T* insertRange(size_t at, const T* first, const T* last) {
        size_t n = static_cast<size_t>(last - first);
        if (n == 0) return data() + at;
        size_t old = size();
        growFor(old + n);
        T* e = elems(b_);
        // Move the tail up, back to front: slots past the old end are raw.
        for (size_t i = old; i-- > at;) {
            if (i + n >= old)
                new (e + i + n) T(std::move(e[i]));
            else
                e[i + n] = std::move(e[i]);
        }
        for (size_t i = 0; i < n; ++i) {
            if (at + i >= old)
                new (e + at + i) T(first[i]);
            else
                e[at + i] = first[i];
        }
        b_->size = old + n;
        return e + at;
    }

    T* eraseRange(size_t from, size_t to) {
        if (to == from) return data() + from;
        detach();
        T* e = elems(b_);
        size_t n = b_->size;
        Graveyard dead(e + from, e + to);
        std::move(e + to, e + n, e + from);
        destroyRange(e + n - (to - from), e + n);
        b_->size = n - (to - from);
        return e + from;
    }

    // Leaves the first `keep` elements in an unshared block; the others go to
    // `dead` (or stay with the other owners of a shared block).
    void takeTail(size_t keep, Graveyard& dead) {
        if (!isUnique()) {
            reallocate(b_->capacity, keep);
            return;
        }
        T* e = elems(b_);
        size_t n = b_->size;
        dead.items.reserve(dead.items.size() + (n - keep));
        for (size_t i = keep; i < n; ++i)
            dead.take(e[i]);
        destroyRange(e + keep, e + n);
        b_->size = keep;
    }

    void resizeImpl(size_t n, const T* v) {
        size_t s = size();
        if (n > s) {
            growFor(n);
            T* e = elems(b_);
            for (size_t i = s; i < n; ++i) {
                if (v)
                    new (e + i) T(*v);
                else
                    new (e + i) T();
                b_->size = i + 1;
            }
        } else if (n < s) {
            Graveyard dead;
            takeTail(n, dead);
            if (b_->capacity > kSqueezeAbove) squeeze();
        }
    }

    void growFor(size_t n) {
        if (!b_ || n > b_->capacity)
            reallocate(grownCapacity(n), size());
        else if (!isUnique())
            reallocate(b_->capacity, b_->size);
    }
    size_t grownCapacity(size_t n) const {
        size_t c = capacity();
        size_t grown = c < 8 ? 8 : c + c / 2;
        return std::max(n, grown);
    }

    static Block* allocate(size_t cap) {
        if (cap > (std::numeric_limits<size_t>::max() - sizeof(Block)) / sizeof(T)) throw std::bad_alloc();
        Block* b = static_cast<Block*>(::operator new(sizeof(Block) + cap * sizeof(T)));
        new (&b->ref) KvRefCount(1);
        b->capacity = cap;
        b->size = 0;
        b->flags = Sharable;
        return b;
    }
    static void destroyRange(T* first, T* last) {
        for (; first != last; ++first)
            first->~T();
    }
    // The block is unreachable by now, so whatever its elements' destruction
    // runs cannot see it.
    static void release(Block* b) {
        if (b && b->ref.unref()) {
            destroyRange(elems(b), elems(b) + b->size);
            ::operator delete(b);
        }
    }
    // Moves to a new unshared block of `cap` slots holding the first `keep`
    // elements. The rest of an unshared block dies after the switch.
    void reallocate(size_t cap, size_t keep) {
        Block* old = b_;
        if (old && keep > old->size) keep = old->size;
        if (!old) keep = 0;
        Block* nb = allocate(std::max(cap, keep));
        if (old) {
            nb->flags = old->flags;
            T* src = elems(old);
            T* dst = elems(nb);
            bool unique = isUnique();
            size_t i = 0;
            try {
                for (; i < keep; ++i) {
                    if (unique)
                        new (dst + i) T(std::move_if_noexcept(src[i]));
                    else
                        new (dst + i) T(src[i]);
                }
            } catch (...) {
                destroyRange(dst, dst + i);
                ::operator delete(nb);
                throw;
            }
            nb->size = keep;
        }
        b_ = nb;
        release(old);
    }
    void shareFrom(const vector& o) {
        if (!o.b_) return;
        if (o.b_->flags & Sharable) {
            o.b_->ref.ref();
            b_ = o.b_;
            return;
        }
        Block* nb = allocate(o.b_->size);
        size_t i = 0;
        try {
            for (; i < o.b_->size; ++i)
                new (elems(nb) + i) T(elems(o.b_)[i]);
        } catch (...) {
            destroyRange(elems(nb), elems(nb) + i);
            ::operator delete(nb);
            throw;
        }
        nb->size = i;
        b_ = nb;
    }

    Block* b_ = nullptr;
};

template <class T>
void swap(vector<T>& a, vector<T>& b) noexcept {
    a.swap(b);
}

}  // namespace kv
