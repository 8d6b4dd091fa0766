#include <KvConstRefObjectArray1.h>
#include <KvConstRefObjectHash.h>
#include <KvConstRefObjectSet.h>
#include <KvExcept.h>
#include <KvRefObjectArray1.h>
#include <KvRefObjectHash.h>
#include <KvRefObjectSet.h>
#include <KvTestObjects.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>

#include <KvMap.h>

using namespace kvtest;

// Element classes standing in for later families: one whose reference-object
// part does not start the object, and one that must not turn into a list of
// genres.
struct Padding {
    virtual ~Padding() = default;
    long pad = 0;
};
class KvProbe : public Padding, public Counted {
public:
    using Counted::Counted;
};
KV_REF_CONTAINERS(Probe, KvRefObject);

class KvLoner : public Counted {};
KV_REF_CONTAINERS(Loner, kv::NoGenreList);

namespace {

using Genres = kv::vector<KvConstGenrePtr<KvGenre>>;

// Ordered by key instead of by address.
class Keyed : public Counted {
public:
    Keyed(int k, std::string n) : Counted(std::move(n)), key(k) {}
    bool operator<(const KvGenre& o) const override {
        auto* k = dynamic_cast<const Keyed*>(&o);
        return k ? key < k->key : KvGenre::operator<(o);
    }
    int key;
};

// Exposes the protected observer helpers.
class Follower : public Counted {
public:
    using KvRefObject::clearObserver;
    using KvRefObject::ensureObserver;
};

// The elements' names in iteration order, flagging a size that does not
// match what iteration finds.
template <class C>
std::string names(const C& c) {
    std::string out;
    size_t n = 0;
    for (const KvGenre* e : c) {
        out += (out.empty() ? "" : ",") + (e ? nameOf(e) : "0");
        ++n;
    }
    if (n != c.size()) out += "(size " + std::to_string(c.size()) + ")";
    return out;
}

class RefContainers : public ::testing::Test {
protected:
    void SetUp() override { Census<Counted>::reset(); }
    void TearDown() override { expectAllDeleted<Counted>(); }
};

}  // namespace

static_assert(sizeof(KvRefObjectArray1) == sizeof(void*) && sizeof(KvConstRefObjectSet) == sizeof(void*) &&
                  sizeof(KvRefObjectHash) == sizeof(void*),
              "named containers are one pointer wide");
// Views: to the const form and to bases, never back to non-const, down, or
// to another kind.
static_assert(std::is_convertible<const KvRefObjectArray1&, KvConstRefObjectArray1>::value, "");
static_assert(!std::is_convertible<const KvConstRefObjectArray1&, KvRefObjectArray1>::value, "");
static_assert(std::is_convertible<const KvProbeSet&, KvRefObjectSet>::value, "");
static_assert(std::is_convertible<const KvProbeHash&, KvConstRefObjectHash>::value, "");
static_assert(std::is_convertible<const KvConstProbeArray1&, KvConstRefObjectArray1>::value, "");
static_assert(!std::is_convertible<const KvConstProbeArray1&, KvRefObjectArray1>::value, "");
static_assert(!std::is_constructible<KvProbeArray1, const KvRefObjectArray1&>::value, "");
static_assert(!std::is_convertible<const KvProbeArray1&, KvRefObjectSet>::value, "");
static_assert(!std::is_convertible<const KvLonerArray1&, KvRefObjectArray1>::value, "");
static_assert(std::is_convertible<const KvLonerArray1&, KvConstLonerArray1>::value, "");
static_assert(std::is_convertible<const KvConstRefObjectSet&, Genres>::value, "");
static_assert(!std::is_convertible<const KvLonerHash&, Genres>::value, "");
// Only objects of the element class go in, and no const ones into a non-const
// container.
template <class C, class P, class = void>
struct CanInsert : std::false_type {};
template <class C, class P>
struct CanInsert<C, P, std::void_t<decltype(std::declval<C&>().insert(std::declval<P>()))>> : std::true_type {};
static_assert(CanInsert<KvProbeSet, KvProbe*>::value && CanInsert<KvConstProbeHash, const KvProbe*>::value, "");
static_assert(!CanInsert<KvProbeSet, KvRefObject*>::value && !CanInsert<KvProbeHash, const KvProbe*>::value, "");

TEST_F(RefContainers, CopiesShareReferencesAndTheLastOwnerReleases) {
    auto* a = new Counted("a");
    auto* b = new Counted("b");
    {
        KvRefObjectArray1 arr{a, b, a};
        EXPECT_EQ(a->getRefCount(), 2);
        KvRefObjectArray1 arr2 = arr;
        KvRefObjectSet set(arr);
        KvRefObjectHash hash(arr);
        EXPECT_EQ(a->getRefCount(), 4);  // array, set, hash: one block each
        KvRefObjectSet set2 = set;
        KvRefObjectHash hash2 = hash;
        KvConstRefObjectArray1 constCopy(arr);
        EXPECT_TRUE(constCopy.isSharedWith(static_cast<const KvConstRefObjectArray1&>(arr)));
        EXPECT_EQ(a->getRefCount(), 4);
        EXPECT_EQ(b->getRefCount(), 3);

        arr2.push_back(b);  // the copy unshares: its block holds its own references
        EXPECT_EQ(b->getRefCount(), 5);
        set2.erase(b);  // unshares (+1 each), then drops b
        hash2.erase(a);
        EXPECT_EQ(a->getRefCount(), 7);
        EXPECT_EQ(b->getRefCount(), 6);
        EXPECT_EQ(names(arr), "a,b,a");
        EXPECT_EQ(set.size(), 2u);
        EXPECT_EQ(hash.size(), 2u);
    }
    EXPECT_EQ(Census<Counted>::live(), 0);
    EXPECT_EQ(Census<Counted>::deleted, 2);

    // Moving and swapping take no references either.
    auto* c = new Counted("c");
    KvRefObjectSet s1{c};
    KvRefObjectSet s2(std::move(s1));
    s1.swap(s2);
    EXPECT_EQ(c->getRefCount(), 1);
    s1 = KvRefObjectSet();
    EXPECT_EQ(Census<Counted>::deleted, 3);
}

TEST_F(RefContainers, SetOrdersByObjectsAndHashByAddress) {
    KvRefPtr<Keyed> low = new Keyed(1, "low");
    KvRefPtr<Keyed> high = new Keyed(3, "high");
    KvRefPtr<Keyed> twin = new Keyed(3, "twin");
    KvRefPtr<Keyed> mid = new Keyed(2, "mid");

    KvRefObjectSet set{high.get(), low.get(), twin.get(), nullptr};
    EXPECT_EQ(names(set), "0,low,high");    // null first; the twin of `high` is not kept
    EXPECT_TRUE(set.contains(twin.get()));  // the same element by the order
    EXPECT_EQ(*set.insert(twin.get()), high.get());
    EXPECT_EQ(set.last(), high.get());
    EXPECT_EQ(set.first(), nullptr);
    EXPECT_EQ(twin->getRefCount(), 1);

    KvRefObjectHash hash{high.get(), twin.get(), high.get(), nullptr};
    EXPECT_EQ(hash.size(), 3u);
    EXPECT_TRUE(hash.contains(twin.get()));
    EXPECT_FALSE(hash.contains(low.get()));

    // Set algebra, and sharing kept where nothing changes.
    KvRefObjectSet other{mid.get(), high.get()};
    KvRefObjectSet both = set.getIntersection(other);
    EXPECT_EQ(names(both), "high");
    KvRefObjectSet all = set.getUnion(other);
    EXPECT_EQ(names(all), "0,low,mid,high");
    KvRefObjectSet copy = all;
    copy.intersect(all);
    EXPECT_TRUE(copy.isSharedWith(all));
    copy.intersect(KvRefObjectArray1{mid.get(), twin.get()});
    EXPECT_EQ(names(copy), "mid,high");
    EXPECT_EQ(names(all), "0,low,mid,high");
    all.erase(copy);
    EXPECT_EQ(names(all), "0,low");
    EXPECT_TRUE(all.remove(nullptr));
    EXPECT_FALSE(all.erase(nullptr));
    EXPECT_TRUE(all == KvRefObjectSet{low.get()});
    EXPECT_TRUE(all != copy);

    KvRefObjectSet emptied = copy;
    for (auto it = emptied.begin(); it != emptied.end();)
        it = emptied.erase(it);
    EXPECT_TRUE(emptied.isEmpty());
    EXPECT_EQ(copy.size(), 2u);
    expectThrows("!isEmpty()", [&] { emptied.first(); });

    KvRefObjectHash h2{high.get(), mid.get()};
    KvRefObjectHash common = hash.getIntersection(h2);
    EXPECT_EQ(names(common), "high");
    hash.unite(h2).erase(KvRefObjectArray1{twin.get(), nullptr});
    EXPECT_EQ(hash.size(), 2u);
    hash.intersect(KvRefObjectArray1{mid.get()});
    EXPECT_EQ(names(hash), "mid");
    EXPECT_TRUE(hash == KvRefObjectHash{mid.get()});

    // An unsharable set is copied, not shared.
    copy.setSharable(false);
    KvRefObjectSet copy2 = copy;
    EXPECT_FALSE(copy2.isSharedWith(copy));
    EXPECT_TRUE(copy2 == copy);
}

TEST_F(RefContainers, ConversionsShareTheBlockAndReadBackTheElements) {
    auto* p = new KvProbe("p");
    auto* q = new KvProbe("q");
    ASSERT_NE(static_cast<void*>(static_cast<KvRefObject*>(p)), static_cast<void*>(p));
    KvProbeArray1 arr{p, q};
    KvConstProbeArray1 asConst = arr;
    const KvRefObjectArray1& asBase = arr;  // a temporary that shares the block
    KvConstRefObjectArray1 asConstBase = asConst;
    for (const auto* view : {&asBase.storage(), &asConst.storage(), &asConstBase.storage()})
        EXPECT_TRUE(arr.storage().isSharedWith(*view));
    EXPECT_EQ(asConstBase[1], q);
    EXPECT_EQ(asConst[0], p);
    EXPECT_EQ(*asConst.begin(), p);
    EXPECT_EQ(p->getRefCount(), 1) << "no element was copied";
    EXPECT_EQ(arr.indexOf(static_cast<KvRefObject*>(q)), 1u);

    KvProbeSet set{q, p};
    const KvConstRefObjectSet& setView = set;
    EXPECT_TRUE(setView.contains(static_cast<KvRefObject*>(p)));
    EXPECT_EQ(*set.find(q), q);
    KvRefObjectSet assigned;
    assigned = set;
    EXPECT_TRUE(assigned.isSharedWith(set));
    KvConstProbeHash hash{p};
    const KvConstRefObjectHash& hashView = hash;
    EXPECT_TRUE(hashView.contains(p));
    EXPECT_EQ(*hash.begin(), p);

    // A copy made through a view shares the block, and unshares on writing.
    KvRefObjectArray1 widened(arr);
    EXPECT_TRUE(widened.isSharedWith(arr));
    widened.push_back(new Counted("other"));
    EXPECT_EQ(arr.size(), 2u);
    EXPECT_EQ(names(widened), "p,q,other");

    Genres genres = set;
    ASSERT_EQ(genres.size(), 2u);
    EXPECT_TRUE(genres.contains(KvConstGenrePtr<KvGenre>(p)));
    EXPECT_TRUE(genres.contains(KvConstGenrePtr<KvGenre>(q)));
    EXPECT_EQ(p->getRefCount(), 4);  // arr, set, hash, widened; none from the genres
}

TEST_F(RefContainers, SetsOfValuesAndMaps) {
    kv::set<KvString> words{"pear", "apple", "fig", "apple"};
    EXPECT_EQ(words.size(), 3u);
    EXPECT_EQ(words.first(), KvString("apple"));
    EXPECT_TRUE(words.contains(KvString("fig")));
    kv::set<KvTypeId> types{Counted::getClassTypeId(), KvRefObject::getClassTypeId()};
    EXPECT_TRUE(types.contains(KvRefObject::getClassTypeId()));
    EXPECT_FALSE(types.contains(KvObject::getClassTypeId()));

    // A map releases a value it lets go of only once it holds its new state:
    // the value's observer reads the map while the value is purged.
    using Map = kv::map<KvString, KvRefPtr<Counted>>;
    Map map, copy;
    Recorder watcher;
    std::string seen;
    watcher.onAction = [&](KvAction*) {
        for (const auto& [key, value] : copy)
            seen += key.str() + "=" + (value ? value->name : "0") + ";";
        seen += std::to_string(copy.size());
    };
    auto* old = new Counted("old");
    watcher.watch(old);
    map.insert("b", old);
    map["a"] = new Counted("a");
    EXPECT_EQ(map.keys(), (kv::vector<KvString>{"a", "b"}));
    copy = map;
    EXPECT_TRUE(copy.isSharedWith(map));
    map.insert("b", new Counted("new"));
    EXPECT_EQ(seen, "") << "the copy still holds the old value";
    EXPECT_EQ(copy.value("b")->name, "old");
    copy.erase(copy.find("b"));
    EXPECT_EQ(seen, "a=a;1");
    EXPECT_EQ(map.value("zz"), nullptr);
    EXPECT_FALSE(map.tryInsert("a", nullptr));
    EXPECT_TRUE(map.tryInsert("c", nullptr));
    EXPECT_EQ(map.value("a")->name, "a");
    EXPECT_TRUE(map.remove("a"));
    EXPECT_FALSE(map.remove("a"));
    EXPECT_EQ(map.size(), 2u);
    map.clear();
    copy.clear();
}

TEST_F(RefContainers, ReleasedElementSeesAConsistentContainer) {
    // Each case drops the last reference to `victim`, held by one container;
    // the victim's observer reads all containers while the victim is purged,
    // and its destructor reads them again.
    enum Holder { Array, Set, Hash };
    struct Case {
        const char* what;
        Holder holder;
        std::function<void(KvRefObjectArray1&, KvRefObjectSet&, KvRefObjectHash&)> drop;
    };
    const Case cases[] = {
        {"erase", Array, [](auto& a, auto&, auto&) { a.erase(a.cbegin() + 1); }},
        {"erase range", Array, [](auto& a, auto&, auto&) { a.erase(a.cbegin() + 1, a.cend()); }},
        {"eraseAll", Array, [](auto& a, auto&, auto&) { a.eraseAll(a[1]); }},
        {"pop_back", Array, [](auto& a, auto&, auto&) { a.pop_back(); }},
        {"resize", Array, [](auto& a, auto&, auto&) { a.resize(1); }},
        {"clear", Array, [](auto& a, auto&, auto&) { a.clear(); }},
        {"clear(n)", Array, [](auto& a, auto&, auto&) { a.clear(2); }},
        {"fill", Array, [](auto& a, auto&, auto&) { a.fill(a[0]); }},
        {"assign", Array, [](auto& a, auto&, auto&) { a = KvRefObjectArray1{a[0]}; }},
        {"overwrite", Array, [](auto& a, auto&, auto&) { a.replace(1, nullptr); }},
        {"set erase", Set, [](auto&, auto& s, auto&) { s.erase(s.last()); }},
        {"set clear", Set, [](auto&, auto& s, auto&) { s.clear(); }},
        {"set intersect", Set, [](auto&, auto& s, auto&) { s.intersect(KvRefObjectSet{}); }},
        {"hash erase", Hash, [](auto&, auto&, auto& h) { h.erase(h.begin()); }},
        {"hash clear", Hash, [](auto&, auto&, auto& h) { h.clear(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Census<Counted>::reset();
        KvRefPtr<Counted> keeper = new Counted("keeper");
        auto* victim = new Counted("victim");
        KvRefObjectArray1 arr{keeper.get()};
        arr.reserve(4);  // so that clear keeps the block
        KvRefObjectSet set;
        KvRefObjectHash hash;
        if (c.holder == Array) arr.push_back(victim);
        if (c.holder == Set) set.insert(victim);
        if (c.holder == Hash) hash.insert(victim);

        auto look = [&] {
            std::string out = names(arr) + "|" + names(set) + "|" + names(hash);
            for (KvRefObject* e : arr)
                if (e && e->isDying()) out += "|dying";
            return out;
        };
        std::string seenInPurge, seenInDelete;
        Recorder watcher;
        watcher.watch(victim);
        watcher.onAction = [&](KvAction*) { seenInPurge = look(); };
        victim->onDelete = [&] { seenInDelete = look(); };

        c.drop(arr, set, hash);
        EXPECT_EQ(watcher.log, Log{"Purge:victim"});
        EXPECT_EQ(Census<Counted>::deleted, 1);
        EXPECT_EQ(Census<Counted>::live(), 1);
        EXPECT_EQ(seenInDelete, seenInPurge);
        EXPECT_EQ(seenInPurge.find("victim"), std::string::npos) << seenInPurge;
        EXPECT_EQ(seenInPurge.find("dying"), std::string::npos) << seenInPurge;
        EXPECT_EQ(seenInPurge.find("size"), std::string::npos) << seenInPurge;
        EXPECT_EQ(keeper->getRefCount(), 1 + static_cast<int>(arr.count(keeper.get())));
    }
}

TEST_F(RefContainers, ObservationFollowsTheFirstAndLastCopy) {
    KvRefPtr<Follower> follower = new Follower;
    KvRefPtr<Counted> a = new Counted("a");
    KvRefPtr<Counted> b = new Counted("b");

    KvRefObjectArray1 items{a.get(), nullptr};
    follower->ensureObserver(items);
    EXPECT_TRUE(a->isObserver(follower.get()));

    items.push_back(b.get());
    items.push_back(b.get());
    follower->ensureObserver(items, b.get());  // two copies: not the first one
    EXPECT_FALSE(b->isObserver(follower.get()));
    items.pop_back();
    follower->ensureObserver(items, b.get());
    EXPECT_TRUE(b->isObserver(follower.get()));
    follower->ensureObserver(items, nullptr);

    items.push_back(b.get());
    follower->clearObserver(items, b.get());  // another copy is left
    EXPECT_TRUE(b->isObserver(follower.get()));
    items.pop_back();
    follower->clearObserver(items, b.get());
    EXPECT_FALSE(b->isObserver(follower.get()));

    follower->clearObserver(items);
    EXPECT_FALSE(a->isObserver(follower.get()));
    EXPECT_EQ(a->getRefCount(), 2);
}
