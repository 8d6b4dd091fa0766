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
// starts its destruction, which can deliver notifications at once). So every
// operation that drops elements first moves them out, makes the vector
// consistent, and only then lets them go.

#include <KvExcept.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace kv {

template <class T>
class vector {
    struct Block {
        std::atomic<int32_t> ref;
        size_t capacity;
        size_t size;
        uint32_t flags;
        T* elems() { return reinterpret_cast<T*>(this + 1); }
    };
    static_assert(sizeof(Block) % alignof(std::max_align_t) == 0 || alignof(T) <= alignof(Block),
                  "element alignment");
    enum : uint32_t { Sharable = 1, CapacityReserved = 2 };

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
    using reverse_iterator = std::reverse_iterator<T*>;
    using const_reverse_iterator = std::reverse_iterator<const T*>;

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
    ~vector() {
        Block* old = b_;
        b_ = nullptr;
        release(old);
    }

    vector& operator=(const vector& o) {
        if (b_ != o.b_) {
            Block* old = b_;
            b_ = nullptr;
            shareFrom(o);
            release(old);
        }
        return *this;
    }
    vector& operator=(vector&& o) noexcept {
        if (this != &o) {
            release(b_);
            b_ = o.b_;
            o.b_ = nullptr;
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
    const T* data() const { return b_ ? b_->elems() : nullptr; }
    const T* constData() const { return data(); }
    const T& operator[](size_t i) const {
        checkIndex(i);
        return b_->elems()[i];
    }
    const T& at(size_t i) const { return (*this)[i]; }
    const T& front() const {
        checkNotEmpty();
        return b_->elems()[0];
    }
    const T& back() const {
        checkNotEmpty();
        return b_->elems()[b_->size - 1];
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

    bool contains(const T& v) const { return std::find(begin(), end(), v) != end(); }
    size_t indexOf(const T& v) const {
        auto it = std::find(begin(), end(), v);
        return it == end() ? npos : static_cast<size_t>(it - begin());
    }
    size_t count(const T& v) const { return static_cast<size_t>(std::count(begin(), end(), v)); }
    static constexpr size_t npos = static_cast<size_t>(-1);

    // True when both share one block, or hold the same elements in order.
    bool equals(const vector& o) const {
        if (b_ == o.b_) return true;
        return size() == o.size() && std::equal(begin(), end(), o.begin());
    }
    bool operator==(const vector& o) const { return equals(o); }
    bool operator!=(const vector& o) const { return !equals(o); }
    bool isSharedWith(const vector& o) const { return b_ && b_ == o.b_; }
    bool isDetached() const { return !b_ || b_->ref.load(std::memory_order_acquire) == 1; }

    // --- writing (each makes the block unshared first)
    T* data() {
        detach();
        return b_ ? b_->elems() : nullptr;
    }
    T& operator[](size_t i) {
        checkIndex(i);
        detach();
        return b_->elems()[i];
    }
    T& at(size_t i) { return (*this)[i]; }
    T& front() {
        checkNotEmpty();
        detach();
        return b_->elems()[0];
    }
    T& back() {
        checkNotEmpty();
        detach();
        return b_->elems()[b_->size - 1];
    }
    T* begin() { return data(); }
    T* end() { return data() + size(); }
    reverse_iterator rbegin() { return reverse_iterator(end()); }
    reverse_iterator rend() { return reverse_iterator(begin()); }

    void detach() {
        if (b_ && b_->ref.load(std::memory_order_acquire) != 1) reallocate(b_->capacity);
    }
    void setSharable(bool sharable) {
        if (!sharable) {
            detach();
            if (!b_) reallocate(0);
            b_->flags &= ~Sharable;
        } else if (b_) {
            b_->flags |= Sharable;
        }
    }

    void push_back(const T& v) {
        // Copy first: `v` may live in this vector and growth would move it.
        T copy(v);
        growFor(size() + 1);
        new (b_->elems() + b_->size) T(std::move(copy));
        ++b_->size;
    }
    void push_back(T&& v) {
        T copy(std::move(v));
        growFor(size() + 1);
        new (b_->elems() + b_->size) T(std::move(copy));
        ++b_->size;
    }
    void append(const T& v) { push_back(v); }
    void push_front(const T& v) { insert(begin_index(0), v); }
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
        vector keep(o);  // o may be *this
        reserveForGrowth(size() + keep.size());
        for (const T& e : keep) push_back(e);
        return *this;
    }
    vector& operator+=(const vector& o) { return *this << o; }

    T* insert(const T* pos, const T& v) { return insert(pos, 1, v); }
    T* insert(const T* pos, size_t n, const T& v) {
        size_t at = positionOf(pos);
        T copy(v);
        vector tmp;
        tmp.reserve(n);
        for (size_t i = 0; i < n; ++i) tmp.push_back(copy);
        return insertRange(at, tmp.begin(), tmp.end());
    }
    template <class It, class = typename std::iterator_traits<It>::iterator_category>
    T* insert(const T* pos, It first, It last) {
        size_t at = positionOf(pos);
        vector tmp;
        for (; first != last; ++first) tmp.push_back(*first);
        const vector& ctmp = tmp;
        return insertRange(at, ctmp.begin(), ctmp.end());
    }
    T* erase(const T* pos) { return erase(pos, pos + 1); }
    T* erase(const T* first, const T* last) {
        size_t from = positionOf(first), to = positionOf(last);
        if (to <= from) return begin() + from;
        detach();
        T* e = b_->elems();
        size_t n = b_->size;
        Graveyard dead(e + from, e + to);
        std::move(e + to, e + n, e + from);
        destroyRange(e + n - (to - from), e + n);
        b_->size = n - (to - from);
        return e + from;
    }
    // Removes every element equal to `v`, keeping the order of the others;
    // returns how many.
    size_t eraseAll(const T& v) {
        if (!contains(v)) return 0;
        T copy(v);
        detach();
        T* e = b_->elems();
        size_t n = b_->size, out = 0;
        Graveyard dead;
        for (size_t i = 0; i < n; ++i) {
            if (e[i] == copy) dead.take(e[i]);
            else if (out != i) e[out++] = std::move(e[i]);
            else ++out;
        }
        destroyRange(e + out, e + n);
        b_->size = out;
        return n - out;
    }
    void pop_back() {
        checkNotEmpty();
        detach();
        T* slot = b_->elems() + b_->size - 1;
        T dead(std::move(*slot));
        slot->~T();
        --b_->size;
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
        for (; first != last; ++first) tmp.push_back(*first);
        swap(tmp);
    }
    void assign(size_t n, const T& v) {
        vector tmp(n, v);
        swap(tmp);
    }
    // Sets every element to `v`; with `n`, resizes to `n` first.
    void fill(const T& v) {
        T copy(v);
        for (T& e : *this) e = copy;
    }
    void fill(size_t n, const T& v) {
        T copy(v);
        clear();
        resize(n, copy);
    }

    void reserve(size_t n) {
        if (n > capacity()) reallocate(n);
        else detach();
        if (b_ && b_->ref.load(std::memory_order_acquire) == 1) b_->flags |= CapacityReserved;
    }
    void squeeze() {
        if (!b_) return;
        reallocate(b_->size);
        b_->flags &= ~CapacityReserved;
    }
    void resize(size_t n) { resizeImpl(n, nullptr); }
    void resize(size_t n, const T& v) {
        T copy(v);
        resizeImpl(n, &copy);
    }
    void clear() {
        if (!b_) return;
        if (b_->ref.load(std::memory_order_acquire) != 1 || !(b_->flags & CapacityReserved)) {
            Block* old = b_;
            b_ = nullptr;
            release(old);
        } else {
            Graveyard dead(b_->elems(), b_->elems() + b_->size);
            destroyRange(b_->elems(), b_->elems() + b_->size);
            b_->size = 0;
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
        T* e = b_->elems();
        std::rotate(e, e + (n % b_->size), e + b_->size);
    }
    // `n` times: the last element moves to the front.
    void rotateBack(size_t n) {
        if (n == 0) return;
        checkNotEmpty();
        detach();
        T* e = b_->elems();
        size_t s = b_->size;
        std::rotate(e, e + (s - n % s) % s, e + s);
    }
    vector& reverse() {
        if (size() > 1) {
            detach();
            std::reverse(b_->elems(), b_->elems() + b_->size);
        }
        return *this;
    }

private:
    // Holds elements moved out of the vector until the vector is consistent.
    struct Graveyard {
        Graveyard() = default;
        Graveyard(T* first, T* last) {
            for (; first != last; ++first) take(*first);
        }
        void take(T& v) { items.push_back(std::move(v)); }
        std::vector<T> items;
    };

    size_t begin_index(size_t i) const { return i; }
    T* insert(size_t at, const T& v) {
        T copy(v);
        const T* p = &copy;
        return insertRange(at, p, p + 1);
    }
    size_t positionOf(const T* pos) const {
        const T* b = data();
        if (pos == nullptr && b == nullptr) return 0;
        if (pos < b || pos > b + size()) throw KvExcept("index out of range");
        return static_cast<size_t>(pos - b);
    }
    void checkIndex(size_t i) const {
        if (i >= size()) throw KvExcept("index out of range");
    }
    void checkNotEmpty() const {
        if (empty()) throw KvExcept("!isEmpty()");
    }

    // `first`..`last` must not point into this vector.
    T* insertRange(size_t at, const T* first, const T* last) {
        size_t n = static_cast<size_t>(last - first);
        if (n == 0) return data() + at;
        size_t old = size();
        growFor(old + n);
        T* e = b_->elems();
        // Move the tail into fresh slots, back to front.
        for (size_t i = old; i-- > at;) {
            if (i + n >= old) new (e + i + n) T(std::move(e[i]));
            else e[i + n] = std::move(e[i]);
        }
        for (size_t i = 0; i < n; ++i) {
            if (at + i >= old) new (e + at + i) T(first[i]);
            else e[at + i] = first[i];
        }
        b_->size = old + n;
        return e + at;
    }

    void resizeImpl(size_t n, const T* v) {
        size_t s = size();
        if (n > s) {
            growFor(n);
            T* e = b_->elems();
            for (size_t i = s; i < n; ++i) {
                if (v) new (e + i) T(*v);
                else new (e + i) T();
            }
            b_->size = n;
        } else if (n < s) {
            detach();
            Graveyard dead(b_->elems() + n, b_->elems() + s);
            destroyRange(b_->elems() + n, b_->elems() + s);
            b_->size = n;
            if (b_->capacity > 1000) squeeze();
        }
    }

    void reserveForGrowth(size_t n) {
        if (n > capacity()) reallocate(grownCapacity(n));
    }
    void growFor(size_t n) {
        if (!b_ || b_->ref.load(std::memory_order_acquire) != 1 || n > b_->capacity)
            reallocate(n > capacity() ? grownCapacity(n) : capacity());
    }
    size_t grownCapacity(size_t n) const {
        size_t c = capacity();
        size_t grown = c < 8 ? 8 : c + c / 2;
        return std::max(n, grown);
    }

    static Block* allocate(size_t cap) {
        void* mem = ::operator new(sizeof(Block) + cap * sizeof(T));
        Block* b = static_cast<Block*>(mem);
        new (&b->ref) std::atomic<int32_t>(1);
        b->capacity = cap;
        b->size = 0;
        b->flags = Sharable;
        return b;
    }
    static void destroyRange(T* first, T* last) {
        for (; first != last; ++first) first->~T();
    }
    static void release(Block* b) {
        if (b && b->ref.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            destroyRange(b->elems(), b->elems() + b->size);
            ::operator delete(b);
        }
    }
    // New unshared block with `cap` slots holding the current elements.
    void reallocate(size_t cap) {
        size_t s = size();
        if (cap < s) cap = s;
        Block* nb = allocate(cap);
        Block* old = b_;
        if (old) {
            nb->flags = old->flags;
            T* src = old->elems();
            T* dst = nb->elems();
            bool unique = old->ref.load(std::memory_order_acquire) == 1;
            size_t i = 0;
            try {
                for (; i < s; ++i) {
                    if (unique) new (dst + i) T(std::move_if_noexcept(src[i]));
                    else new (dst + i) T(src[i]);
                }
            } catch (...) {
                destroyRange(dst, dst + i);
                ::operator delete(nb);
                throw;
            }
            nb->size = s;
        }
        b_ = nb;
        release(old);
    }
    void shareFrom(const vector& o) {
        if (!o.b_) return;
        if (o.b_->flags & Sharable) {
            o.b_->ref.fetch_add(1, std::memory_order_acq_rel);
            b_ = o.b_;
        } else {
            b_ = nullptr;
            reserveForGrowth(o.size());
            for (const T& e : o) push_back(e);
        }
    }

    Block* b_ = nullptr;
};

template <class T>
void swap(vector<T>& a, vector<T>& b) noexcept {
    a.swap(b);
}

}  // namespace kv
