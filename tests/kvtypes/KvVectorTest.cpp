#include <KvExcept.h>
#include <KvString.h>
#include <KvTestObjects.h>
#include <KvVector.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

using kvtest::expectThrows;

namespace {

std::string join(const kv::vector<int>& v) {
    std::string out;
    for (int e : v)
        out += (out.empty() ? "" : ",") + std::to_string(e);
    return out;
}

std::string join(const kv::vector<KvString>& v) {
    std::string out;
    for (const KvString& e : v)
        out += (out.empty() ? "" : ",") + e.str();
    return out;
}

// Long enough to live on the heap, so a read of a released copy is caught.
KvString longText(const char* tag) { return KvString(std::string(tag) + std::string(40, '.')); }

}  // namespace

TEST(KvVector, CopiesShareUntilOneIsWritten) {
    kv::vector<KvString> a{"x", "y"};
    kv::vector<KvString> b(a);
    EXPECT_TRUE(b.isSharedWith(a));
    EXPECT_FALSE(a.isDetached());
    EXPECT_EQ(b.constData(), a.constData());

    // Reading through a const vector never copies; the first write does.
    const kv::vector<KvString>& cb = b;
    EXPECT_EQ(cb[1], KvString("y"));
    EXPECT_TRUE(b.isSharedWith(a));
    b[0] = "changed";
    EXPECT_FALSE(b.isSharedWith(a));
    EXPECT_EQ(join(a), "x,y");
    EXPECT_EQ(join(b), "changed,y");
    EXPECT_TRUE(a.isDetached());

    // Assignment shares; a move leaves the source empty.
    b = a;
    EXPECT_TRUE(b.isSharedWith(a));
    kv::vector<KvString> c(std::move(b));
    EXPECT_TRUE(b.empty());
    EXPECT_TRUE(c.isSharedWith(a));
    c = std::move(c);
    EXPECT_EQ(join(c), "x,y");

    // equals: same block, or same elements in order.
    EXPECT_TRUE(c.equals(a));
    kv::vector<KvString> d{"x", "y"};
    EXPECT_TRUE(d == a);
    d.push_back("z");
    EXPECT_TRUE(d != a);
    EXPECT_TRUE(kv::vector<KvString>().equals(kv::vector<KvString>()));

    // An unsharable vector is copied at once, and so stays unshared.
    kv::vector<KvString> solo{"s"};
    solo.setSharable(false);
    kv::vector<KvString> copy(solo);
    EXPECT_FALSE(copy.isSharedWith(solo));
    EXPECT_EQ(join(copy), "s");
    solo.clear();
    EXPECT_FALSE(solo.isSharable());
    kv::vector<KvString> empty;
    empty.setSharable(false);
    EXPECT_FALSE(kv::vector<KvString>(empty).isSharedWith(empty));

    // A shared vector detaches before writing through a non-const iterator.
    kv::vector<int> n{1, 2, 3};
    kv::vector<int> m = n;
    for (int& e : m)
        e *= 10;
    EXPECT_EQ(join(n), "1,2,3");
    EXPECT_EQ(join(m), "10,20,30");
}

TEST(KvVector, GuardsReportCallerErrors) {
    kv::vector<int> v;
    expectThrows("!isEmpty()", [&] { v.front(); });
    expectThrows("!isEmpty()", [&] { v.back(); });
    expectThrows("!isEmpty()", [&] { v.pop_back(); });
    expectThrows("!isEmpty()", [&] { v.pop_front(); });
    expectThrows("!isEmpty()", [&] { v.rotate(1); });
    expectThrows("!isEmpty()", [&] { v.rotateBack(2); });
    v.rotate(0);  // nothing to do, so nothing to check
    v.rotateBack(0);
    expectThrows("index out of range", [&] { v[0]; });
    v = {1, 2};
    const kv::vector<int>& cv = v;
    expectThrows("index out of range", [&] { cv[2]; });
    expectThrows("index out of range", [&] { v.at(5) = 1; });
    expectThrows("index out of range", [&] { v.erase(v.cend()); });
    expectThrows("index out of range", [&] { v.erase(v.cend(), v.cbegin()); });
    EXPECT_EQ(join(v), "1,2");
}

TEST(KvVector, RotateReverseAndEraseAll) {
    kv::vector<int> v{1, 2, 3};
    v.rotate(1);
    EXPECT_EQ(join(v), "2,3,1");
    v.rotateBack(1);
    EXPECT_EQ(join(v), "1,2,3");
    v.rotateBack(1);
    EXPECT_EQ(join(v), "3,1,2");
    v.rotate(0);
    EXPECT_EQ(join(v), "3,1,2");
    v.rotate(4);  // a full turn and one more
    EXPECT_EQ(join(v), "1,2,3");
    v.rotateBack(5);
    EXPECT_EQ(join(v), "2,3,1");

    kv::vector<int> shared = v;
    EXPECT_EQ(join(shared.reverse()), "1,3,2");
    EXPECT_EQ(join(v), "2,3,1");

    kv::vector<int> w{9, 4, 9, 9, 5};
    EXPECT_EQ(w.eraseAll(9), 3u);
    EXPECT_EQ(join(w), "4,5");
    EXPECT_EQ(w.eraseAll(7), 0u);
    EXPECT_FALSE(w.push_back_unique(4));
    EXPECT_TRUE(w.push_back_unique(6));
    EXPECT_EQ(join(w), "4,5,6");
    EXPECT_EQ(w.indexOf(6), 2u);
    EXPECT_EQ(w.indexOf(1), kv::vector<int>::npos);

    kv::vector<int*> ptrs{nullptr};
    EXPECT_FALSE(ptrs.push_back_unique(nullptr));
    EXPECT_EQ(ptrs.size(), 1u);
}

TEST(KvVector, CapacityResizeAndReserve) {
    kv::vector<int> v;
    v.reserve(2000);
    EXPECT_TRUE(v.isCapacityReserved());
    v.resize(1500);
    EXPECT_EQ(v.capacity(), 2000u);
    EXPECT_EQ(v[1499], 0);
    v.resize(2);  // shrinking above 1000 slots gives the memory back
    EXPECT_EQ(v.capacity(), 2u);
    EXPECT_FALSE(v.isCapacityReserved());

    kv::vector<int> w;
    w.reserve(1000);
    w.resize(900, 7);
    w.resize(2);
    EXPECT_EQ(w.capacity(), 1000u);
    EXPECT_EQ(join(w), "7,7");

    // clear keeps a reserved block; squeeze drops the reservation.
    w.clear();
    EXPECT_EQ(w.capacity(), 1000u);
    w.push_back(1);
    w.squeeze();
    EXPECT_EQ(w.capacity(), 1u);
    EXPECT_FALSE(w.isCapacityReserved());
    w.clear();
    EXPECT_EQ(w.capacity(), 0u);

    // Reserving within the capacity of a shared block neither copies it nor
    // marks it.
    kv::vector<int> a{1, 2, 3};
    kv::vector<int> b = a;
    b.reserve(2);
    EXPECT_TRUE(b.isSharedWith(a));
    EXPECT_FALSE(a.isCapacityReserved());
    b.reserve(100);
    EXPECT_FALSE(b.isSharedWith(a));
    EXPECT_TRUE(b.isCapacityReserved());
    EXPECT_EQ(join(b), "1,2,3");

    // Shrinking a shared vector leaves the other copy whole.
    kv::vector<int> c = a;
    c.resize(1);
    EXPECT_EQ(join(a), "1,2,3");
    EXPECT_EQ(join(c), "1");

    kv::vector<int> d{5, 6};
    d.clear(3);
    EXPECT_EQ(join(d), "0,0,0");
}

TEST(KvVector, InsertEraseFillAssign) {
    kv::vector<KvString> v{"a", "d"};
    v.insert(v.cbegin() + 1, "b");
    v.insert(v.cbegin() + 2, 2, "c");
    v.push_front("0");
    EXPECT_EQ(join(v), "0,a,b,c,c,d");
    v.erase(v.cbegin());
    v.erase(v.cbegin() + 2, v.cbegin() + 4);
    EXPECT_EQ(join(v), "a,b,d");
    v.pop_front();
    v.pop_back();
    EXPECT_EQ(join(v), "b");

    // A range taken from the vector itself.
    kv::vector<KvString> w{"x", "y", "z"};
    w.insert(w.cbegin() + 1, w.cbegin(), w.cend());
    EXPECT_EQ(join(w), "x,x,y,z,y,z");
    w << "q" << kv::vector<KvString>{"r"};
    EXPECT_EQ(w.size(), 8u);

    kv::vector<KvString> shared = w;
    w.fill("f");
    EXPECT_EQ(join(w), "f,f,f,f,f,f,f,f");
    EXPECT_EQ(shared.front(), KvString("x"));
    w.fill(2, "g");
    EXPECT_EQ(join(w), "g,g");
    w.assign(3, "h");
    EXPECT_EQ(join(w), "h,h,h");
    const char* words[] = {"i", "j"};
    w.assign(std::begin(words), std::end(words));
    EXPECT_EQ(join(w), "i,j");
    kv::vector<KvString> counted(2, "k");
    EXPECT_EQ(join(counted), "k,k");
}

TEST(KvVector, ElementsOfTheVectorItselfSurviveGrowth) {
    kv::vector<KvString> v{longText("a"), longText("b")};
    v.squeeze();
    ASSERT_EQ(v.capacity(), v.size());
    v.push_back(v[0]);
    EXPECT_EQ(v[2], longText("a"));

    v.squeeze();
    v.insert(v.cbegin(), v.back());
    EXPECT_EQ(v[0], longText("a"));

    v.squeeze();
    v.resize(6, v[1]);
    EXPECT_EQ(v[5], longText("a"));

    v.squeeze();
    v << v;
    EXPECT_EQ(v.size(), 12u);
    EXPECT_EQ(v[11], longText("a"));

    v.squeeze();
    v.fill(20, v[2]);
    EXPECT_EQ(v.size(), 20u);
    EXPECT_EQ(v.count(longText("b")), 20u);

    EXPECT_EQ(v.eraseAll(v[0]), 20u);
    EXPECT_TRUE(v.empty());
}

TEST(KvVector, ReverseIterators) {
    kv::vector<int> v{1, 2, 3, 4};
    std::string seen;
    for (auto it = v.rconstBegin(); it != v.rconstEnd(); ++it)
        seen += std::to_string(*it);
    EXPECT_EQ(seen, "4321");

    // The writable form unshares first.
    kv::vector<int> shared = v;
    std::sort(shared.rbegin(), shared.rend());  // ascending backwards: descending
    EXPECT_EQ(join(shared), "4,3,2,1");
    EXPECT_EQ(join(v), "1,2,3,4");
    *v.rbegin() = 40;
    EXPECT_EQ(join(v), "1,2,3,40");
    KvConstReverseVectorIteratorImpl<int> ro = v.rbegin();
    EXPECT_EQ(*ro, 40);

    kv::vector<int> none;
    EXPECT_TRUE(none.rbegin() == none.rend());
}
