#pragma once

// The named reference containers.
//
// For an element class KvFoo the library names six containers:
//   KvFooArray1        kv::vector<KvRefPtr<KvFoo>>
//   KvFooSet           kv::set<KvRefPtr<KvFoo>>
//   KvFooHash          kv::hash_set<KvRefPtr<KvFoo>>
//   KvConstFooArray1, KvConstFooSet, KvConstFooHash: the same of KvConstRefPtr<KvFoo>
// Each is its container and nothing more. Each converts, without copying, to
// a const reference of
//   - its const form (KvFooArray1 to const KvConstFooArray1&);
//   - the container of the same kind of each base class it names: from a
//     non-const class to both forms, from a const class to the const form;
// and, by value, to a kv::vector<KvConstGenrePtr<KvGenre>> that takes no
// references, unless kv::NoGenreList is among the names.
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
//
// Take a view by reference (const KvRefObjectArray1& all = tsArray), pass it
// to a const reference parameter, assign it, or copy it by direct
// initialisation (KvRefObjectArray1 copy(tsArray)): GCC does not apply the
// conversion in the form KvRefObjectArray1 copy = tsArray.
//
// The framework entity containers will also need reference()/dereference()
// to and from undo references; they belong with the undo classes.
//
// The views rest on one layout rule: each base element class sits at offset
// zero of the element class (single inheritance down from KvRefObject), so a
// KvRefPtr<Derived> and a KvConstRefPtr<Base> hold the same address, and the
// containers' shared blocks do not depend on the element type. Views are
// read-only; a copy made from one shares the block and unshares it on its
// first write, like any copy.

#include <KvBaseExport.h>
#include <KvConstGenrePtr.h>
#include <KvConstRefPtr.h>
#include <KvGenre.h>
#include <KvHashSet.h>
#include <KvRefPtr.h>
#include <KvSet.h>
#include <KvVector.h>

#include <initializer_list>
#include <type_traits>
#include <utility>

namespace kv {

// The base element classes a family may be viewed as.
template <class... B>
struct Bases {};

// Among the bases: the family does not convert to a list of genres.
struct NoGenreList {};

namespace detail {

template <class P>
struct RefPtrTraits;
template <class E>
struct RefPtrTraits<KvRefPtr<E>> {
    using element = E;
    static constexpr bool isConst = false;
};
template <class E>
struct RefPtrTraits<KvConstRefPtr<E>> {
    using element = E;
    static constexpr bool isConst = true;
};

// The same kind of container with another element.
template <class C, class P>
struct Rebind;
template <template <class> class C, class T, class P>
struct Rebind<C<T>, P> {
    using type = C<P>;
};

template <class X, class List>
struct InList;
template <class X, class... B>
struct InList<X, Bases<B...>> : std::disjunction<std::is_same<X, B>...> {};

// A named container: derived from RefContainer, not RefContainer itself
// (which would make a second, ambiguous view of the same class).
template <class T, class = void>
struct IsRefContainer : std::false_type {};
template <class T>
struct IsRefContainer<T, std::void_t<typename T::RefContainerBase>>
    : std::bool_constant<std::is_base_of<typename T::RefContainerBase, T>::value &&
                         !std::is_same<typename T::RefContainerBase, T>::value> {};

template <class From, class To, bool = IsRefContainer<To>::value>
struct CanView : std::false_type {};
template <class From, class To>
struct CanView<From, To, true> {
    static constexpr bool sameKind =
        std::is_same<typename To::container_type,
                     typename Rebind<typename From::container_type, typename To::element_pointer>::type>::value;
    static constexpr bool toConstForm = std::is_same<typename From::element_type, typename To::element_type>::value &&
                                        To::isConstForm && !From::isConstForm;
    static constexpr bool toBase =
        InList<typename To::element_type, typename From::bases>::value && (To::isConstForm || !From::isConstForm);
    static constexpr bool value = sameKind && (toConstForm || toBase);
};

}  // namespace detail

// What every named container is: its container, plus the conversions.
template <class Container, class BaseList>
class RefContainer : public Container {
public:
    using RefContainerBase = RefContainer;
    using container_type = Container;
    using element_pointer = typename Container::value_type;
    using element_type = typename detail::RefPtrTraits<element_pointer>::element;
    using bases = BaseList;
    static constexpr bool isConstForm = detail::RefPtrTraits<element_pointer>::isConst;
    using element_raw = std::conditional_t<isConstForm, const element_type*, element_type*>;

    using Container::Container;
    RefContainer() = default;
    RefContainer(const Container& c) : Container(c) {}
    RefContainer(Container&& c) : Container(std::move(c)) {}
    RefContainer(std::initializer_list<element_raw> il) {
        if constexpr (std::is_same<Container, vector<element_pointer>>::value) this->reserve(il.size());
        for (element_raw p : il)
            add(p);
    }
    RefContainer& operator=(const Container& c) {
        Container::operator=(c);
        return *this;
    }
    RefContainer& operator=(Container&& c) {
        Container::operator=(std::move(c));
        return *this;
    }

    // The same block seen as the const form or as a container of a base.
    template <class To, std::enable_if_t<detail::CanView<RefContainer, To>::value, int> = 0>
    operator const To&() const {
        static_assert(sizeof(To) == sizeof(Container), "a named container adds no data");
        static_assert(std::is_base_of<typename To::element_type, element_type>::value, "views go to base classes");
        return *reinterpret_cast<const To*>(this);
    }

    // The same pointers as a plain list, in iteration order; no references.
    template <class L = BaseList, std::enable_if_t<!detail::InList<NoGenreList, L>::value, int> = 0>
    operator vector<KvConstGenrePtr<KvGenre>>() const {
        vector<KvConstGenrePtr<KvGenre>> out;
        out.reserve(this->size());
        for (const element_pointer& e : *this)
            out.push_back(KvConstGenrePtr<KvGenre>(e.get()));
        return out;
    }

private:
    void add(element_raw p) {
        if constexpr (std::is_same<Container, vector<element_pointer>>::value)
            this->push_back(p);
        else
            this->insert(p);
    }
};

}  // namespace kv

#define KV_REF_CONTAINER_(Name, Container, ...)                                              \
    class KV_BASE_EXPORT Name : public kv::RefContainer<Container, kv::Bases<__VA_ARGS__>> { \
    public:                                                                                  \
        using RefContainer::RefContainer;                                                    \
        using RefContainer::operator=;                                                       \
    }

#define KV_REF_ARRAY1(Stem, ...) KV_REF_CONTAINER_(Kv##Stem##Array1, kv::vector<KvRefPtr<Kv##Stem>>, __VA_ARGS__)
#define KV_REF_SET(Stem, ...) KV_REF_CONTAINER_(Kv##Stem##Set, kv::set<KvRefPtr<Kv##Stem>>, __VA_ARGS__)
#define KV_REF_HASH(Stem, ...) KV_REF_CONTAINER_(Kv##Stem##Hash, kv::hash_set<KvRefPtr<Kv##Stem>>, __VA_ARGS__)
#define KV_CONST_REF_ARRAY1(Stem, ...) \
    KV_REF_CONTAINER_(KvConst##Stem##Array1, kv::vector<KvConstRefPtr<Kv##Stem>>, __VA_ARGS__)
#define KV_CONST_REF_SET(Stem, ...) KV_REF_CONTAINER_(KvConst##Stem##Set, kv::set<KvConstRefPtr<Kv##Stem>>, __VA_ARGS__)
#define KV_CONST_REF_HASH(Stem, ...) \
    KV_REF_CONTAINER_(KvConst##Stem##Hash, kv::hash_set<KvConstRefPtr<Kv##Stem>>, __VA_ARGS__)

#define KV_REF_CONTAINERS(Stem, ...)        \
    KV_REF_ARRAY1(Stem, __VA_ARGS__);       \
    KV_REF_SET(Stem, __VA_ARGS__);          \
    KV_REF_HASH(Stem, __VA_ARGS__);         \
    KV_CONST_REF_ARRAY1(Stem, __VA_ARGS__); \
    KV_CONST_REF_SET(Stem, __VA_ARGS__);    \
    KV_CONST_REF_HASH(Stem, __VA_ARGS__)
