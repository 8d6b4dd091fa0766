#pragma once

// The named reference containers.
//
// For an element class KvFoo the library names six containers:
//   KvFooArray1, KvFooSet, KvFooHash                  of KvFoo
//   KvConstFooArray1, KvConstFooSet, KvConstFooHash   of const KvFoo
// Every container of one kind holds the same thing, whatever its element
// class: counted pointers to reference objects (a kv::vector, kv::set or
// kv::hash_set of KvRefPtr<KvRefObject>). The named class is a typed face on
// that block: only objects of the element class go in, and what comes out is
// cast back to it. Reading gives plain pointers (KvFoo*, or const KvFoo* in
// the const form), so a loop touches no reference count:
//   for (KvTSObject* e : array) ...
// Since the block does not depend on the element class, a container converts,
// by value and sharing its block (no element copied, no object's count
// touched), to
//   - its const form (KvFooArray1 to KvConstFooArray1);
//   - the container of the same kind of each base class it names: from a
//     non-const class to both forms, from a const class to the const form.
// So a KvTSObjectArray1 is a fine argument for a const KvConstRefObjectArray1&
// parameter. Each converts as well to a kv::vector<KvConstGenrePtr<KvGenre>>
// that takes no references, unless kv::NoGenreList is among the names.
// Any container of pointers that convert to the element class (another named
// container, a kv::vector of reference pointers) can be copied into a named
// container explicitly: KvRefObjectSet set(array).
//
// A later element class declares its family after its own class. The first
// argument is the class name without "Kv"; then come the base element
// classes it may be viewed as, by full name:
//   KV_REF_CONTAINERS(TSObject, KvAttributedObject, KvRefObject);
// A family with only some of the six declares them one by one:
//   KV_REF_ARRAY1(TSObjectGroup, KvFrameworkEntity);
//   KV_CONST_REF_ARRAY1(TSObjectGroup, KvFrameworkEntity);
// and one that must not turn into a list of genres says so:
//   KV_REF_CONTAINERS(FrameworkEntityInstance, kv::NoGenreList);
// (For one header per container, put one KV_REF_... line in each.)

#include <KvBaseExport.h>
#include <KvConstGenrePtr.h>
#include <KvHashSet.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvSet.h>
#include <KvVector.h>

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <type_traits>

namespace kv {

// The base element classes a family may be viewed as.
template <class... B>
struct Bases {};

// Among the bases: the family does not convert to a list of genres.
struct NoGenreList {};

namespace detail {

// What every named container stores.
using RefSlot = KvRefPtr<KvRefObject>;

template <class X, class List>
struct InList;
template <class X, class... B>
struct InList<X, Bases<B...>> : std::disjunction<std::is_same<X, B>...> {};

// Whether a container of (D, FromConst) may be seen as one of (E, ToConst).
template <class D, bool FromConst, class FromBases, class E, bool ToConst>
struct CanView : std::bool_constant<(std::is_same<D, E>::value && ToConst && !FromConst) ||
                                    (InList<E, FromBases>::value && (ToConst || !FromConst))> {};

// What may go in a container of P: a pointer (plain or counted) that converts
// to P.
template <class X, class P>
using IfElementOf =
    std::enable_if_t<std::is_convertible<decltype(rawPointer(std::declval<const X&>())), P>::value, int>;

// Whether C is a named container of the kind K.
template <template <class, bool, class> class K, class C>
struct IsKind {
    template <class D, bool Const, class B>
    static std::true_type test(const K<D, Const, B>*);
    static std::false_type test(...);
    static constexpr bool value = decltype(test(std::declval<const C*>()))::value;
};

// A range whose elements are pointers (plain or counted) that convert to P,
// and that is no named container of kind K (those convert by sharing).
template <class C, class P, template <class, bool, class> class K>
using IfCopyable =
    std::enable_if_t<std::is_convertible<decltype(rawPointer(*std::declval<const C&>().begin())), P>::value &&
                         !IsKind<K, C>::value,
                     int>;

// Walks the slots of a block and yields each as the element pointer P.
template <class It, class P>
class CastIterator {
public:
    using iterator_category = typename std::iterator_traits<It>::iterator_category;
    using value_type = P;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = P;

    CastIterator() = default;
    explicit CastIterator(It it) : it_(it) {}

    // Only objects of the element class are ever stored.
    P operator*() const { return static_cast<P>(it_->get()); }
    P operator[](difference_type n) const { return *(*this + n); }
    CastIterator& operator++() {
        ++it_;
        return *this;
    }
    CastIterator operator++(int) { return CastIterator(it_++); }
    CastIterator& operator--() {
        --it_;
        return *this;
    }
    CastIterator operator--(int) { return CastIterator(it_--); }
    CastIterator& operator+=(difference_type n) {
        it_ += n;
        return *this;
    }
    friend CastIterator operator+(CastIterator a, difference_type n) { return a += n; }
    friend CastIterator operator-(CastIterator a, difference_type n) { return a += -n; }
    friend difference_type operator-(const CastIterator& a, const CastIterator& b) { return a.it_ - b.it_; }
    bool operator==(const CastIterator& o) const { return it_ == o.it_; }
    bool operator!=(const CastIterator& o) const { return it_ != o.it_; }
    bool operator<(const CastIterator& o) const { return it_ < o.it_; }

    It base() const { return it_; }

private:
    It it_{};
};

}  // namespace detail

// What the named containers of every kind share.
template <template <class> class Storage, class E, bool Const, class BaseList>
class RefContainer {
public:
    using element_type = E;
    using value_type = std::conditional_t<Const, const E*, E*>;
    using storage_type = Storage<detail::RefSlot>;
    using bases = BaseList;
    static constexpr bool isConstForm = Const;
    using iterator = detail::CastIterator<typename storage_type::const_iterator, value_type>;
    using const_iterator = iterator;

    size_t size() const { return d_.size(); }
    bool empty() const { return d_.empty(); }
    bool isEmpty() const { return d_.empty(); }
    iterator begin() const { return iterator(d_.cbegin()); }
    iterator end() const { return iterator(d_.cend()); }
    iterator cbegin() const { return begin(); }
    iterator cend() const { return end(); }
    iterator constBegin() const { return begin(); }
    iterator constEnd() const { return end(); }

    // Lookups take any pointer to a reference object, and no reference.
    template <class X, detail::IfPointerLike<X> = 0>
    bool contains(const X& x) const {
        return d_.contains(address(x));
    }
    template <class X, detail::IfPointerLike<X> = 0>
    size_t count(const X& x) const {
        return d_.count(address(x));
    }

    void clear() { d_.clear(); }
    void detach() { d_.detach(); }
    bool isDetached() const { return d_.isDetached(); }
    void setSharable(bool sharable) { d_.setSharable(sharable); }
    template <class C>
    bool isSharedWith(const C& o) const {
        return d_.isSharedWith(o.slots());
    }
    // The block itself, read-only; every container of this kind has one alike.
    const storage_type& slots() const { return d_; }

    // The same pointers as a plain list, in iteration order; no references.
    template <class L = BaseList, std::enable_if_t<!detail::InList<NoGenreList, L>::value, int> = 0>
    operator vector<KvConstGenrePtr<KvGenre>>() const {
        vector<KvConstGenrePtr<KvGenre>> out;
        out.reserve(size());
        for (const detail::RefSlot& s : d_)
            out.push_back(KvConstGenrePtr<KvGenre>(s.get()));
        return out;
    }

protected:
    RefContainer() = default;
    explicit RefContainer(const storage_type& d) : d_(d) {}

    template <class X>
    static const KvRefObject* address(const X& x) {
        return detail::rawPointer(x);
    }
    // Only what converts to the element class goes in.
    template <class X>
    static detail::RefSlot slot(const X& x) {
        value_type p = detail::rawPointer(x);
        return detail::RefSlot(const_cast<E*>(p));
    }
    static value_type element(const detail::RefSlot& s) { return static_cast<value_type>(s.get()); }

    storage_type d_;
};

template <class E, bool Const, class BaseList>
class RefArray : public RefContainer<vector, E, Const, BaseList> {
    using Base = RefContainer<vector, E, Const, BaseList>;
    using Base::d_;
    using Base::element;
    using Base::slot;

public:
    using typename Base::iterator;
    using typename Base::value_type;
    static constexpr size_t npos = vector<detail::RefSlot>::npos;

    RefArray() = default;
    RefArray(std::initializer_list<value_type> il) {
        d_.reserve(il.size());
        for (value_type p : il)
            d_.push_back(slot(p));
    }
    template <class C, detail::IfCopyable<C, value_type, kv::RefArray> = 0>
    explicit RefArray(const C& c) {
        for (const auto& p : c)
            d_.push_back(slot(p));
    }
    template <class D, bool C, class B, std::enable_if_t<detail::CanView<D, C, B, E, Const>::value, int> = 0>
    RefArray(const RefArray<D, C, B>& o) : Base(o.slots()) {}

    value_type operator[](size_t i) const { return element(d_[i]); }
    value_type at(size_t i) const { return element(d_.at(i)); }
    value_type front() const { return element(d_.front()); }
    value_type back() const { return element(d_.back()); }
    template <class X, detail::IfPointerLike<X> = 0>
    size_t indexOf(const X& x) const {
        return d_.indexOf(this->address(x));
    }
    bool equals(const RefArray& o) const { return d_.equals(o.d_); }
    bool operator==(const RefArray& o) const { return d_.equals(o.d_); }
    bool operator!=(const RefArray& o) const { return !d_.equals(o.d_); }
    size_t capacity() const { return d_.capacity(); }

    template <class X, detail::IfElementOf<X, value_type> = 0>
    void push_back(const X& x) {
        d_.push_back(slot(x));
    }
    template <class X, detail::IfElementOf<X, value_type> = 0>
    void append(const X& x) {
        d_.push_back(slot(x));
    }
    template <class X, detail::IfElementOf<X, value_type> = 0>
    void push_front(const X& x) {
        d_.push_front(slot(x));
    }
    // Appends `x` unless it is there already; true when appended.
    template <class X, detail::IfElementOf<X, value_type> = 0>
    bool push_back_unique(const X& x) {
        if (this->contains(x)) return false;
        d_.push_back(slot(x));
        return true;
    }
    template <class X, detail::IfElementOf<X, value_type> = 0>
    RefArray& operator<<(const X& x) {
        d_.push_back(slot(x));
        return *this;
    }
    RefArray& operator<<(const RefArray& o) {
        d_ << o.d_;
        return *this;
    }
    template <class X, detail::IfElementOf<X, value_type> = 0>
    iterator insert(iterator pos, const X& x) {
        return iterator(d_.insert(pos.base(), slot(x)));
    }
    // Puts `x` at position `i`, letting go of the element there.
    template <class X, detail::IfElementOf<X, value_type> = 0>
    void replace(size_t i, const X& x) {
        d_[i] = slot(x);
    }
    template <class X, detail::IfElementOf<X, value_type> = 0>
    void fill(const X& x) {
        d_.fill(slot(x));
    }

    iterator erase(iterator pos) { return iterator(d_.erase(pos.base())); }
    iterator erase(iterator first, iterator last) { return iterator(d_.erase(first.base(), last.base())); }
    template <class X, detail::IfPointerLike<X> = 0>
    size_t eraseAll(const X& x) {
        return d_.eraseAll(this->address(x));
    }
    void removeAt(size_t i) { d_.removeAt(i); }
    void pop_back() { d_.pop_back(); }
    void pop_front() { d_.pop_front(); }
    using Base::clear;
    void clear(size_t n) { d_.clear(n); }
    void resize(size_t n) { d_.resize(n); }
    void reserve(size_t n) { d_.reserve(n); }
    void squeeze() { d_.squeeze(); }
    void rotate(size_t n) { d_.rotate(n); }
    void rotateBack(size_t n) { d_.rotateBack(n); }
    RefArray& reverse() {
        d_.reverse();
        return *this;
    }
    void swap(RefArray& o) noexcept { d_.swap(o.d_); }
};

// What sets and hashes, the kinds without duplicates, share. Kind is the
// kind's own template.
template <template <class> class Storage, template <class, bool, class> class Kind, class E, bool Const, class BaseList>
class RefUniqueContainer : public RefContainer<Storage, E, Const, BaseList> {
    using Base = RefContainer<Storage, E, Const, BaseList>;
    using Self = Kind<E, Const, BaseList>;

protected:
    using Base::d_;
    using Base::slot;

public:
    using typename Base::iterator;
    using typename Base::value_type;

    RefUniqueContainer() = default;
    RefUniqueContainer(std::initializer_list<value_type> il) {
        for (value_type p : il)
            d_.insert(slot(p));
    }
    template <class C, detail::IfCopyable<C, value_type, Kind> = 0>
    explicit RefUniqueContainer(const C& c) {
        insert(c);
    }

    template <class X, detail::IfPointerLike<X> = 0>
    iterator find(const X& x) const {
        return iterator(d_.find(this->address(x)));
    }
    bool operator==(const Self& o) const { return d_ == o.d_; }
    bool operator!=(const Self& o) const { return d_ != o.d_; }

    // Adds `x` unless the same element is there; the element's position.
    template <class X, detail::IfElementOf<X, value_type> = 0>
    iterator insert(const X& x) {
        return iterator(d_.insert(slot(x)));
    }
    void insert(const Self& o) { d_.insert(o.d_); }
    template <class C, detail::IfCopyable<C, value_type, Kind> = 0>
    void insert(const C& c) {
        for (const auto& p : c)
            d_.insert(slot(p));
    }
    Self& unite(const Self& o) {
        d_.unite(o.d_);
        return static_cast<Self&>(*this);
    }
    // True when the element was there.
    template <class X, detail::IfPointerLike<X> = 0>
    bool erase(const X& x) {
        return d_.erase(this->address(x));
    }
    iterator erase(iterator pos) { return iterator(d_.erase(pos.base())); }
    void erase(const Self& o) { d_.erase(o.d_); }
    template <class D, bool C, class B>
    void erase(const RefArray<D, C, B>& a) {
        d_.erase(a.slots());
    }
    Self& intersect(const Self& o) {
        d_.intersect(o.d_);
        return static_cast<Self&>(*this);
    }
    template <class D, bool C, class B>
    Self& intersect(const RefArray<D, C, B>& a) {
        d_.intersect(a.slots());
        return static_cast<Self&>(*this);
    }
    Self getIntersection(const Self& o) const {
        Self r;
        r.d_ = d_.getIntersection(o.d_);
        return r;
    }
    Self getUnion(const Self& o) const {
        Self r;
        r.d_ = d_.getUnion(o.d_);
        return r;
    }
    void swap(Self& o) noexcept { d_.swap(o.d_); }
};

template <class E, bool Const, class BaseList>
class RefSet : public RefUniqueContainer<set, RefSet, E, Const, BaseList> {
    using Base = RefUniqueContainer<set, kv::RefSet, E, Const, BaseList>;

public:
    using Base::Base;
    using typename Base::iterator;
    using typename Base::value_type;

    RefSet() = default;
    template <class D, bool C, class B, std::enable_if_t<detail::CanView<D, C, B, E, Const>::value, int> = 0>
    RefSet(const RefSet<D, C, B>& o) {
        this->d_ = o.slots();
    }

    template <class X, detail::IfPointerLike<X> = 0>
    iterator constFind(const X& x) const {
        return this->find(x);
    }
    template <class X, detail::IfPointerLike<X> = 0>
    bool remove(const X& x) {
        return this->erase(x);
    }
    // The smallest and the largest element.
    value_type first() const { return this->element(this->d_.first()); }
    value_type last() const { return this->element(this->d_.last()); }
};

template <class E, bool Const, class BaseList>
class RefHash : public RefUniqueContainer<hash_set, RefHash, E, Const, BaseList> {
    using Base = RefUniqueContainer<hash_set, kv::RefHash, E, Const, BaseList>;

public:
    using Base::Base;

    RefHash() = default;
    template <class D, bool C, class B, std::enable_if_t<detail::CanView<D, C, B, E, Const>::value, int> = 0>
    RefHash(const RefHash<D, C, B>& o) {
        this->d_ = o.slots();
    }
};

}  // namespace kv

#define KV_REF_CONTAINER_(Name, Kind, Stem, Const, ...)                                    \
    class KV_BASE_EXPORT Name : public kv::Kind<Kv##Stem, Const, kv::Bases<__VA_ARGS__>> { \
    public:                                                                                \
        using Kind::Kind;                                                                  \
        Name() = default;                                                                  \
        Name(const Kind& o) : Kind(o) {}                                                   \
    }

#define KV_REF_ARRAY1(Stem, ...) KV_REF_CONTAINER_(Kv##Stem##Array1, RefArray, Stem, false, __VA_ARGS__)
#define KV_REF_SET(Stem, ...) KV_REF_CONTAINER_(Kv##Stem##Set, RefSet, Stem, false, __VA_ARGS__)
#define KV_REF_HASH(Stem, ...) KV_REF_CONTAINER_(Kv##Stem##Hash, RefHash, Stem, false, __VA_ARGS__)
#define KV_CONST_REF_ARRAY1(Stem, ...) KV_REF_CONTAINER_(KvConst##Stem##Array1, RefArray, Stem, true, __VA_ARGS__)
#define KV_CONST_REF_SET(Stem, ...) KV_REF_CONTAINER_(KvConst##Stem##Set, RefSet, Stem, true, __VA_ARGS__)
#define KV_CONST_REF_HASH(Stem, ...) KV_REF_CONTAINER_(KvConst##Stem##Hash, RefHash, Stem, true, __VA_ARGS__)

#define KV_REF_CONTAINERS(Stem, ...)        \
    KV_REF_ARRAY1(Stem, __VA_ARGS__);       \
    KV_REF_SET(Stem, __VA_ARGS__);          \
    KV_REF_HASH(Stem, __VA_ARGS__);         \
    KV_CONST_REF_ARRAY1(Stem, __VA_ARGS__); \
    KV_CONST_REF_SET(Stem, __VA_ARGS__);    \
    KV_CONST_REF_HASH(Stem, __VA_ARGS__)
