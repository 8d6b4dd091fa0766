#include <KvLayerMask.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {
std::string text(const KvLayerMask& m) {
    std::ostringstream out;
    out << m;
    return out.str();
}
}  // namespace

TEST(KvLayerMask, NewMaskIsEmptyAndPrints) {
    KvLayerMask m;
    EXPECT_TRUE(m.allOff());
    EXPECT_FALSE(m.allOn());
    EXPECT_EQ(m.countOn(), 0u);
    EXPECT_EQ(m.countOff(), 1025u);
    EXPECT_EQ(text(m), "{ }");

    m.setBits({7, 3, 1024, 1025, 5000});  // out-of-range layers are ignored
    EXPECT_EQ(text(m), "{ 3 7 1024 }");
    EXPECT_EQ(m.countOn(), 3u);
    EXPECT_EQ(m.countOff(), 1022u);
    m.setBits({0});
    EXPECT_EQ(text(m), "{ 0 3 7 1024 }");  // setBits adds, it does not replace

    KvLayerMask all = ~KvLayerMask();
    EXPECT_TRUE(all.allOn());
    EXPECT_EQ(all.countOff(), 0u);
}

TEST(KvLayerMask, VectorsInAndOut) {
    KvLayerMask m;
    kv::vector<size_t> wide(2000, 1);
    m.set(wide);  // only the first 1025 elements count
    EXPECT_TRUE(m.allOn());

    kv::vector<unsigned char> shortIn{0, 1, 0, 2};
    m.set(shortIn);  // clears what it does not cover
    EXPECT_EQ(text(m), "{ 1 3 }");

    kv::vector<unsigned char> bytes;
    m.get(bytes);
    ASSERT_EQ(bytes.size(), 1025u);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[3], 1);
    EXPECT_EQ(bytes[2], 0);
    kv::vector<size_t> words;
    m.get(words);
    ASSERT_EQ(words.size(), 1025u);
    KvLayerMask back;
    back.set(words);
    EXPECT_EQ(back, m);
}

TEST(KvLayerMask, BitArraysAreFittedAndMasksCombine) {
    QBitArray longBits(3000);
    longBits.setBit(2999);
    longBits.setBit(10);
    KvLayerMask cut(longBits);
    EXPECT_EQ(cut.getBits().size(), 1025);
    EXPECT_EQ(text(cut), "{ 10 }");

    QBitArray shortBits(4);
    shortBits.setBit(2);
    KvLayerMask padded;
    padded = shortBits;
    EXPECT_EQ(padded.getBits().size(), 1025);
    EXPECT_EQ(text(padded), "{ 2 }");

    KvLayerMask both = cut | padded;
    EXPECT_EQ(text(both), "{ 2 10 }");
    EXPECT_EQ(text(both & cut), "{ 10 }");
    EXPECT_EQ(text(both ^ cut), "{ 2 }");
    EXPECT_NE(both, cut);
    KvLayerMask copy(both);
    EXPECT_EQ(copy, both);
    copy.clearBit(2);
    EXPECT_EQ(copy, cut);
    EXPECT_FALSE(copy.testBit(-1));
    EXPECT_FALSE(copy.testBit(1025));
}
