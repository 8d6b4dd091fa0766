#include <KvExcept.h>
#include <KvParamSet.h>

#include <gtest/gtest.h>

TEST(KvParam, ValuesAreTextReadBackByKind) {
    KvParam n("N", "count", 42);
    KvParam d("D", "", 0.1);
    KvParam b("B", "flag", true);
    KvParam t("T", "text", "12abc");
    EXPECT_EQ(n.getValue(), KvString("42"));
    EXPECT_EQ(d.getValue(), KvString("0.1"));  // shortest text that reads back exactly
    EXPECT_EQ(d.toDouble(), 0.1);
    EXPECT_EQ(KvParam("X", "", 1.0 / 3.0).toDouble(), 1.0 / 3.0);
    EXPECT_EQ(b.getValue(), KvString("true"));
    EXPECT_EQ(KvParam("U", "", ~0ULL).getValue(), KvString("18446744073709551615"));
    EXPECT_EQ(KvParam("S", "", -7L).toInt(), -7);

    bool ok = true;
    EXPECT_EQ(t.toInt(&ok), 0);
    EXPECT_FALSE(ok);
    long long i = 5;
    EXPECT_FALSE(KvParam("F", "", "1.5").getInt(i));
    EXPECT_EQ(i, 5);
    EXPECT_TRUE(KvParam("F", "", " 17 ").getInt(i));
    EXPECT_EQ(i, 17);
    double x;
    EXPECT_FALSE(KvParam("F", "", "").getNumber(x));
    EXPECT_FALSE(KvParam("F", "", "1e999").getNumber(x));
    for (const char* yes : {"true", "YES", "On", "1"})
        EXPECT_TRUE(KvParam("B", "", yes).toBool()) << yes;
    for (const char* no : {"false", "No", "OFF", "0"}) {
        EXPECT_FALSE(KvParam("B", "", no).toBool(&ok)) << no;
        EXPECT_TRUE(ok);
    }
    EXPECT_FALSE(KvParam("B", "", "maybe").toBool(&ok));
    EXPECT_FALSE(ok);

    // The description is the first entry of the definition.
    EXPECT_EQ(n.getDefinition(), KvStringArray({"count"}));
    EXPECT_TRUE(d.getDefinition().isEmpty());
    EXPECT_EQ(d.getDescription(), KvString(""));
    KvParam withRange = n;
    withRange.setDefinition({"count", "0", "100"});
    withRange.setDescription("how many");
    EXPECT_EQ(withRange.getDefinition(), KvStringArray({"how many", "0", "100"}));
    EXPECT_NE(withRange, n);
    KvParam modified = n;
    modified.setModified(true);
    EXPECT_NE(modified, n);
}

TEST(KvParamSet, NamedParametersAreUniqueAndLookedUpByName) {
    KvParamSet set("Runtime");
    EXPECT_TRUE(set.add("AppName", "Application name", "GridTool"));
    EXPECT_TRUE(set.add("AppVersionMajor", "Application major version number", 22));
    EXPECT_TRUE(set.add(KvParam("Enabled", "on or off", false)));
    EXPECT_FALSE(set.add("AppName", "again", "other"));
    ASSERT_EQ(set.size(), 3u);
    EXPECT_EQ(set[1].getName(), KvString("AppVersionMajor"));
    EXPECT_EQ(set.indexOf("Enabled"), 2u);
    EXPECT_EQ(set.find("Missing"), nullptr);
    EXPECT_THROW(set.at(3), KvExcept);

    KvString name;
    long long major = 0;
    bool enabled = true;
    double number = 0;
    EXPECT_TRUE(set.get("AppName", name));
    EXPECT_EQ(name, KvString("GridTool"));
    EXPECT_TRUE(set.get("AppVersionMajor", major));
    EXPECT_EQ(major, 22);
    EXPECT_TRUE(set.get("Enabled", enabled));
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(set.get("AppName", number));
    EXPECT_FALSE(set.get("Missing", name));

    // Copies share until one changes; a change of value marks the parameter.
    const KvParamSet copy = set;
    EXPECT_TRUE(copy.isIdentical(set));
    EXPECT_TRUE(set.setValue("AppVersionMajor", 22));
    EXPECT_FALSE(set.isModified());
    EXPECT_TRUE(set.setValue("AppVersionMajor", 23));
    EXPECT_TRUE(set.isModified("AppVersionMajor"));
    EXPECT_FALSE(copy.isModified());
    EXPECT_EQ(copy.find("AppVersionMajor")->toInt(), 22);
    EXPECT_FALSE(set.setValue("Missing", 1));
    EXPECT_NE(set, copy);
    set.clearModified();
    EXPECT_FALSE(set.isModified());

    // Equality is about the parameters, not the name.
    KvParamSet renamed = copy;
    renamed.setName("Other");
    EXPECT_EQ(renamed, copy);
    EXPECT_FALSE(renamed.isIdentical(copy));

    EXPECT_TRUE(set.remove("AppName"));
    EXPECT_FALSE(set.remove("AppName"));
    set.set(KvParam("Enabled", "on or off", true));
    set.set(KvParam("New", "", 1));
    EXPECT_EQ(set.size(), 3u);
    EXPECT_TRUE(set.find("Enabled")->toBool());
    set.clear();
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(set.name(), KvString("Runtime"));
}

TEST(KvParamSet, FlatFormsRebuildTheSameSet) {
    KvParamSet set("s");
    set.add("a", "first", 1);
    set.add("b", "second", "x");
    set.setModified("b", true);
    KvStringArray common;
    EXPECT_FALSE(set.getCommonDefn(common));

    KvParamSet rebuilt("s");
    rebuilt.fromKeyValueArray(set.asKeyValueArray(), set.getDefinitions(), set.getModifiedFlags());
    EXPECT_TRUE(rebuilt.isIdentical(set));

    // One definition shared by all parameters travels once.
    KvParamSet shared("t");
    shared.fromKeyValueArray({{"p", "1"}, {"q", "2"}, {"p", "3"}}, {{"length", "m"}}, {});
    ASSERT_EQ(shared.size(), 2u);  // a name met twice keeps its last value
    EXPECT_EQ(shared.find("p")->getValue(), KvString("3"));
    EXPECT_TRUE(shared.getCommonDefn(common));
    EXPECT_EQ(common, KvStringArray({"length", "m"}));
    EXPECT_FALSE(shared.isModified());

    // Lists of the wrong length are left out rather than misapplied.
    shared.fromKeyValueArray({{"p", "1"}, {"q", "2"}}, {{"a"}, {"b"}, {"c"}}, {true});
    EXPECT_TRUE(shared.find("p")->getDefinition().isEmpty());
    EXPECT_FALSE(shared.isModified());
    EXPECT_FALSE(KvParamSet().getCommonDefn(common));
}

TEST(KvParamSet, CopyValuesTakesExistingMissingOrBoth) {
    KvParamSet mine("mine");
    mine.add("shared", "mine", 1);
    mine.add("onlyMine", "", 2);
    KvParamSet theirs("theirs");
    theirs.add("shared", "theirs", 10);
    theirs.add("onlyTheirs", "", 20);
    theirs.setModified("shared", true);

    KvParamSet existing = mine;
    existing.copyValues(theirs, KvParamSet::CopyExisting, 0);
    EXPECT_EQ(existing.find("shared")->toInt(), 10);
    EXPECT_TRUE(existing.isModified("shared"));
    EXPECT_EQ(existing.find("shared")->getDescription(), KvString("mine"));
    EXPECT_FALSE(existing.contains("onlyTheirs"));

    KvParamSet missing = mine;
    missing.copyValues(theirs, KvParamSet::CopyMissing, 0);
    EXPECT_EQ(missing.find("shared")->toInt(), 1);
    EXPECT_EQ(missing.find("onlyTheirs")->toInt(), 20);

    KvParamSet merged = mine;
    merged.copyValues(theirs, 2, 0);  // what a merge of two attributes asks for
    EXPECT_EQ(merged.size(), 3u);
    EXPECT_EQ(merged.find("shared")->toInt(), 10);
    EXPECT_EQ(merged.find("onlyTheirs")->toInt(), 20);
    EXPECT_EQ(merged.name(), KvString("mine"));

    KvParamSet modifiedOnly = mine;
    modifiedOnly.copyValues(theirs, KvParamSet::CopyAll, KvParamSet::CopyModifiedOnly | KvParamSet::CopyDefinitions);
    EXPECT_EQ(modifiedOnly.find("shared")->getDescription(), KvString("theirs"));
    EXPECT_FALSE(modifiedOnly.contains("onlyTheirs"));

    KvParamSet self = mine;
    self.copyValues(self, KvParamSet::CopyAll, 0);
    EXPECT_TRUE(self.isIdentical(mine));
}
