#include <KvExcept.h>
#include <KvGenre.h>
#include <KvString.h>
#include <KvTimeStamp.h>
#include <KvTypeId.h>

#include <gtest/gtest.h>

#include <QSet>

TEST(KvString, NullIsDistinctFromEmptyAndOrdersFirst) {
    KvString null, empty(""), a("a");
    EXPECT_TRUE(null.isNull());
    EXPECT_FALSE(empty.isNull());
    EXPECT_NE(null, empty);
    EXPECT_STREQ(null.getString(), "");
    EXPECT_TRUE(null < empty);
    EXPECT_FALSE(empty < null);
    EXPECT_TRUE(empty < a);
    EXPECT_FALSE(a < a);
    KvString s = a;
    s.setNull();
    EXPECT_EQ(s, KvString::null());
    EXPECT_TRUE((null + null).isNull());
    EXPECT_EQ(null + a, a);
    EXPECT_TRUE(KvString::fromQString(QString()).isNull());
    EXPECT_EQ(KvString::fromQString(QStringLiteral("abc")), KvString("abc"));
    EXPECT_EQ(KvString("x\xe9").toQString().size(), 2);
}

TEST(KvString, TokenizePartitionNumbersAndEscapes) {
    auto t = KvString(" a - b--c ").tokenize("-", true, true);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], KvString("a"));
    EXPECT_EQ(t[2], KvString("c"));
    EXPECT_EQ(KvString("a--b").tokenize("-").size(), 3u);

    KvString before, after;
    EXPECT_TRUE(KvString("name@ref@x").partition("@", before, after));
    EXPECT_EQ(before, KvString("name"));
    EXPECT_EQ(after, KvString("ref@x"));
    EXPECT_FALSE(KvString("plain").partition("@", before, after));
    EXPECT_EQ(before, KvString("plain"));
    EXPECT_TRUE(after.isNull());

    unsigned u = 7;
    EXPECT_TRUE(KvString("4294967295").getUint(u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_FALSE(KvString("4294967296").getUint(u));
    EXPECT_FALSE(KvString("12a").getUint(u));
    EXPECT_FALSE(KvString("").getUint(u));
    EXPECT_FALSE(KvString("-1").getUint(u));

    KvString path("a/b\\c");
    KvString esc = path.escape("/");
    EXPECT_EQ(esc, KvString("a\\/b\\\\c"));
    EXPECT_EQ(esc.unescape(), path);
    auto parts = (esc + "/" + KvString("d")).splitEscaped('/');
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], path);
    EXPECT_EQ(KvString("hello").subString(1, 3), KvString("ell"));
    EXPECT_EQ(KvString("hello").subString(9), KvString(""));
    EXPECT_EQ(KvString::number(-42), KvString("-42"));

    QSet<KvString> set{KvString("a"), KvString("a"), KvString("b")};
    EXPECT_EQ(set.size(), 2);
}

TEST(KvTypeId, AncestryLookupAndGenreOrder) {
    KvTypeId root("TestRoot"), mid("TestMid", root), leaf("TestLeaf", mid);
    EXPECT_TRUE(leaf.isOfType(root));
    EXPECT_TRUE(leaf.isOfType(leaf));
    EXPECT_FALSE(root.isOfType(leaf));
    EXPECT_FALSE(leaf.isOfType(KvTypeId()));
    EXPECT_FALSE(KvTypeId().isValid());
    EXPECT_EQ(KvTypeId::lookup("TestMid"), mid);
    EXPECT_FALSE(KvTypeId::lookup("NoSuchType").isValid());
    EXPECT_EQ(KvTypeId("TestMid", root), mid);  // interned by name
    EXPECT_EQ(leaf.describe(), KvString("TestLeaf < TestMid < TestRoot"));

    KvGenre a, b;
    EXPECT_NE(a < b, b < a);
    EXPECT_FALSE(a < a);
    EXPECT_TRUE(a.isOfType(KvGenre::getClassTypeId()));

    KvTimeStamp s1, s2;
    EXPECT_TRUE(s1 < s2);
    KvTimeStamp far = KvTimeStamp::fromValue(s2.getValue() + 1000);
    KvTimeStamp s3;
    EXPECT_TRUE(far < s3);

    EXPECT_STREQ(KvExcept::boundsError("get").what(), "get: index out of range");
}
