#include "KvDataStoreTestSupport.h"

#include <KvDataStore.h>
#include <KvDataStoreAttribute.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using dstest::SubThing;
using dstest::Thing;
using dstest::ThingRegistration;
using dstest::tmpPath;

namespace {

KvString text(const std::string& s) { return KvString(s); }

// Files left beside `path` by writing it.
QStringList leftovers(const std::string& path) {
    QFileInfo info(QString::fromStdString(path));
    return info.dir().entryList({info.fileName() + ".*"}, QDir::Files);
}

std::vector<std::string> keysOf(const KvDataStore& s) {
    std::vector<std::string> out;
    for (const KvString& k : s.listKeys())
        out.push_back(k.str());
    return out;
}

}  // namespace

TEST(KvDataStore, EveryValueKindRoundTripsThroughAFile) {
    const std::string path = tmpPath("values.kvds");
    KvParamSet params("mesh");
    params.add("Spacing", "Cell size", 0.25);
    params.add("Count", "", 7);
    params.setModified("Count", true);
    KvRenderSettings render;
    render.setDisplayStyle(3);
    render.setIsolines(KvIndex2(4, 5));
    render.setSecondaryColor(KvColor(0.2f, 0.4f, 0.6f, 0.5f));
    const KvXformMatrix xform = KvXformMatrix::translation(1, 2, 3) * KvXformMatrix::rotation(0.5, 0, 0, 1);
    const kv::vector<bool> flags = {true, false, false, true, true, false, true, false, true};
    const KvColor color(0.1f, 0.3f, 0.7f, 0.9f);
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        EXPECT_TRUE(out.writeBool("Bool", true));
        EXPECT_TRUE(out.writeInt("Int", -1234567890123LL));
        EXPECT_TRUE(out.writeUInt32("U32", 0xFFFFFFFFu));
        EXPECT_TRUE(out.writeUInt64("U64", ~0ULL));
        EXPECT_TRUE(out.writeDouble("Double", -0.1));
        EXPECT_TRUE(out.writeString("Null", KvString()));
        EXPECT_TRUE(out.writeString("Empty", KvString("")));
        EXPECT_TRUE(out.writeString("Text", KvString("a\0b", 3)));
        EXPECT_TRUE(out.writeUInt32Array("U32s", {0, 1, 300, 0xFFFFFFFFu}));
        EXPECT_TRUE(out.writeStringArray("Strings", {KvString(), KvString(""), KvString("x")}));
        EXPECT_TRUE(out.writeKeyValueArray("Pairs", params.asKeyValueArray()));
        EXPECT_TRUE(out.writeFlagArray("Flags", flags));
        EXPECT_TRUE(out.writeIndex2("Index", KvIndex2(1024, 1)));
        EXPECT_TRUE(out.writeColor("Color", color));
        EXPECT_TRUE(out.writeRenderSettings("Render", render));
        EXPECT_TRUE(out.writeXformMatrix("Xform", xform));
        EXPECT_TRUE(out.writeXformMatrix("Identity", KvXformMatrix()));
        EXPECT_TRUE(out.writeParamSet("Params", params));
        EXPECT_TRUE(out.writeNotch("Notch", KvNotch(42)));
        EXPECT_TRUE(out.close());
    }

    KvDataStore in;
    ASSERT_TRUE(in.open(text(path))) << in.getErrorReport();
    const KvDataStore& s = in;
    bool b = false;
    long long i = 0;
    uint32_t u32 = 0;
    unsigned long long u64 = 0;
    double dbl = 0;
    KvString str("unset");
    EXPECT_TRUE(s.readBool("Bool", b) && b);
    EXPECT_TRUE(s.readInt("Int", i));
    EXPECT_EQ(i, -1234567890123LL);
    EXPECT_TRUE(s.readUInt32("U32", u32));
    EXPECT_EQ(u32, 0xFFFFFFFFu);
    EXPECT_TRUE(s.readUInt64("U64", u64));
    EXPECT_EQ(u64, ~0ULL);
    EXPECT_TRUE(s.readDouble("Double", dbl));
    EXPECT_EQ(dbl, -0.1);
    EXPECT_TRUE(s.readString("Null", str) && str.isNull());
    EXPECT_TRUE(s.readString("Empty", str) && !str.isNull() && str.isEmpty());
    EXPECT_TRUE(s.readString("Text", str));
    EXPECT_EQ(str, KvString("a\0b", 3));

    kv::vector<uint32_t> u32s;
    KvStringArray strings;
    KvKeyValueArray pairs;
    kv::vector<bool> flagsRead;
    KvIndex2 index;
    KvColor colorRead;
    KvRenderSettings renderRead;
    KvXformMatrix xformRead = KvXformMatrix::scaling(2, 2, 2), identity = xformRead;
    KvParamSet paramsRead;
    KvNotch notch;
    EXPECT_TRUE(s.readUInt32Array("U32s", u32s));
    EXPECT_EQ(u32s, kv::vector<uint32_t>({0, 1, 300, 0xFFFFFFFFu}));
    ASSERT_TRUE(s.readStringArray("Strings", strings));
    ASSERT_EQ(strings.size(), 3u);
    EXPECT_TRUE(strings[0].isNull());
    EXPECT_TRUE(!strings[1].isNull() && strings[1].isEmpty());
    EXPECT_TRUE(s.readKeyValueArray("Pairs", pairs));
    EXPECT_EQ(pairs, params.asKeyValueArray());
    EXPECT_TRUE(s.readFlagArray("Flags", flagsRead));
    EXPECT_EQ(flagsRead, flags);
    EXPECT_TRUE(s.readIndex2("Index", index));
    EXPECT_EQ(index, KvIndex2(1024, 1));
    EXPECT_TRUE(s.readColor("Color", colorRead));
    EXPECT_EQ(colorRead, color);
    EXPECT_TRUE(s.readRenderSettings("Render", renderRead));
    EXPECT_EQ(renderRead, render);
    EXPECT_TRUE(s.readXformMatrix("Xform", xformRead));
    EXPECT_EQ(xformRead, xform);
    EXPECT_TRUE(s.readXformMatrix("Identity", identity));
    EXPECT_TRUE(identity.isIdentity());
    EXPECT_TRUE(s.readParamSet("Params", paramsRead));
    EXPECT_TRUE(paramsRead.isIdentical(params));
    EXPECT_TRUE(paramsRead.isModified("Count"));
    EXPECT_TRUE(s.readNotch("Notch", notch));
    EXPECT_EQ(notch, KvNotch(42));

    // Integers convert where the value fits; other kinds and missing keys
    // answer false without failing the store.
    int small = 0;
    EXPECT_TRUE(s.readDouble("Int", dbl));
    EXPECT_EQ(dbl, -1234567890123.0);
    EXPECT_TRUE(s.readInt("U32", i));
    EXPECT_EQ(i, 0xFFFFFFFFLL);
    EXPECT_FALSE(s.readInt("U64", small));
    EXPECT_FALSE(s.readUInt32("Int", u32));
    EXPECT_FALSE(s.readString("Int", str));
    EXPECT_FALSE(s.readBool("Missing", b));
    EXPECT_FALSE(s.enterSection("Bool"));
    EXPECT_FALSE(s.hasFailed());
}

TEST(KvDataStore, SectionsNestAndKeepTheOrderOfTheirKeys) {
    const std::string path = tmpPath("sections.kvds");
    const std::vector<std::string> order = {"-OBJ-1", "-OBJ-2", "-OBJ-10", "-OBJ-11", "-OBJ-3"};
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        EXPECT_FALSE(out.closeSection());
        ASSERT_TRUE(out.openSection("Objects"));
        for (size_t n = 0; n < order.size(); ++n)
            out.writeInt(order[n], static_cast<long long>(n));
        ASSERT_TRUE(out.enterSection("Inner"));
        EXPECT_EQ(out.getDepth(), 2u);
        out.writeBool("Deep", true);
        EXPECT_TRUE(out.closeSection());
        EXPECT_TRUE(out.hasKey("-OBJ-10"));
        EXPECT_FALSE(out.hasKey("-OBJ-4"));
        std::vector<std::string> written = order;
        written.push_back("Inner");
        EXPECT_EQ(keysOf(out), written);
        EXPECT_TRUE(out.closeSection());
        // A section large enough to be searched through an index.
        ASSERT_TRUE(out.openSection("Big"));
        for (int n = 0; n < 300; ++n)
            out.writeInt("k" + std::to_string(n), n);
        out.closeSection();
        // An open section is closed by close().
        ASSERT_TRUE(out.openSection("LeftOpen"));
        out.writeInt("x", 1);
        EXPECT_TRUE(out.close());
    }

    KvDataStore in;
    ASSERT_TRUE(in.open(text(path))) << in.getErrorReport();
    const KvDataStore& s = in;
    EXPECT_EQ(keysOf(s), std::vector<std::string>({"Objects", "Big", "LeftOpen"}));
    ASSERT_TRUE(s.enterSection("Objects"));
    std::vector<std::string> expected = order;
    expected.push_back("Inner");
    EXPECT_EQ(keysOf(s), expected);
    for (size_t n = order.size(); n-- > 0;) {  // out of order
        long long v = -1;
        EXPECT_TRUE(s.readInt(order[n], v));
        EXPECT_EQ(v, static_cast<long long>(n));
    }
    ASSERT_TRUE(s.enterSection("Inner"));
    bool deep = false;
    EXPECT_TRUE(s.readBool("Deep", deep) && deep);
    EXPECT_FALSE(s.hasKey("-OBJ-1"));  // keys belong to their section
    EXPECT_TRUE(s.closeSection());
    EXPECT_TRUE(s.closeSection());
    EXPECT_FALSE(s.closeSection());

    ASSERT_TRUE(s.enterSection("Big"));
    for (int n : {299, 0, 150, 7, 298, 150}) {
        long long v = -1;
        EXPECT_TRUE(s.readInt("k" + std::to_string(n), v));
        EXPECT_EQ(v, n);
    }
    EXPECT_FALSE(s.hasKey("k300"));
    s.closeSection();
    EXPECT_TRUE(s.enterSection("LeftOpen") && s.hasKey("x"));
    EXPECT_FALSE(s.hasFailed());
}

TEST(KvDataStore, LargeFilesStreamThroughTheWriteWindowIntact) {
    // Several megabytes: sections stay open while earlier bytes reach the
    // file, and their lengths are completed there.
    const std::string path = tmpPath("large.kvds");
    ThingRegistration reg;
    const std::string filler(40, 'x');
    std::vector<Thing> things(6000);
    for (size_t i = 0; i < things.size(); ++i) {
        things[i].name = KvString("thing-" + std::to_string(i));
        things[i].next = i ? &things[i - 1] : nullptr;
    }
    kv::vector<const KvGenre*> all;
    for (const Thing& t : things)
        all.push_back(&t);
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        out.setVersion(52);
        ASSERT_TRUE(out.openSection("Outer"));
        ASSERT_TRUE(out.openSection("Inner"));
        for (int i = 0; i < 40000; ++i)
            out.writeString("s" + std::to_string(i), text(filler + std::to_string(i)));
        EXPECT_TRUE(out.closeSection());
        EXPECT_TRUE(out.writeReferenceArray("Things", all, true));
        EXPECT_TRUE(out.writeInt("After", 7));
        EXPECT_TRUE(out.closeSection());
        EXPECT_TRUE(out.writeBool("Last", true));
        EXPECT_TRUE(out.close());
    }
    EXPECT_TRUE(leftovers(path).isEmpty());
    EXPECT_GT(QFile(QString::fromStdString(path)).size(), 2 * 1024 * 1024);
    KvDataStore in;
    ASSERT_TRUE(in.open(text(path))) << in.getErrorReport();
    EXPECT_EQ(in.getVersion(), 52u);
    ASSERT_TRUE(in.enterSection("Outer"));
    ASSERT_TRUE(in.enterSection("Inner"));
    EXPECT_EQ(in.listKeys().size(), 40000u);
    KvString value;
    for (int i : {0, 1, 20000, 39999}) {
        EXPECT_TRUE(in.readString("s" + std::to_string(i), value));
        EXPECT_EQ(value.str(), filler + std::to_string(i));
    }
    in.closeSection();
    kv::vector<KvGenre*> read;
    ASSERT_TRUE(in.readReferenceArray("Things", read));
    ASSERT_EQ(read.size(), things.size());
    for (size_t i : {size_t(0), size_t(1), things.size() - 1}) {
        ASSERT_TRUE(Thing::cast(read[i]));
        EXPECT_EQ(Thing::cast(read[i])->name, things[i].name);
        EXPECT_EQ(Thing::cast(read[i])->next, i ? read[i - 1] : nullptr);
    }
    long long after = 0;
    bool last = false;
    EXPECT_TRUE(in.readInt("After", after));
    EXPECT_EQ(after, 7);
    in.closeSection();
    EXPECT_TRUE(in.readBool("Last", last) && last);
    EXPECT_FALSE(in.hasFailed());
    for (KvGenre* t : read)
        delete t;
}

TEST(KvDataStore, EntitiesGoThroughTheHandlerOfTheirTypeOrAncestor) {
    const std::string path = tmpPath("entities.kvds");
    ThingRegistration reg;
    EXPECT_EQ(KvDataStore::getEntityType(SubThing::getClassTypeId()), reg.handler.get());
    EXPECT_EQ(KvDataStore::getEntityType(KvString("DsTestSubThing")), reg.handler.get());
    EXPECT_EQ(KvDataStore::getEntityType(KvGenre::getClassTypeId()), nullptr);
    {
        Thing a("a", 1);
        SubThing b("b", 2);
        b.next = &a;
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        EXPECT_TRUE(out.writeEntity("A", &a));
        EXPECT_TRUE(out.writeEntity("B", &b));
        EXPECT_TRUE(out.writeEntity("ACopy", &a, false));
        EXPECT_TRUE(out.close());
    }
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        const KvDataStore& s = in;
        Thing* b = Thing::cast(s.readEntity("B"));
        ASSERT_TRUE(b);
        EXPECT_EQ(b->name, KvString("b"));
        EXPECT_EQ(b->value, 2);
        Thing* a = Thing::cast(s.readEntity("A"));
        ASSERT_TRUE(a);
        EXPECT_EQ(b->next, a);  // the reference read A on the spot; reading A gives that object
        EXPECT_EQ(reg.handler->reads, 2);
        EXPECT_EQ(s.findByAlternateName("a"), a);

        // A copy record is another object every time unless read as shared.
        Thing* copy = Thing::cast(s.readEntity("ACopy", false));
        Thing* copy2 = Thing::cast(s.readEntity("ACopy", false));
        ASSERT_TRUE(copy && copy2);
        EXPECT_NE(copy, a);
        EXPECT_NE(copy, copy2);
        EXPECT_EQ(copy->name, KvString("a"));
        EXPECT_FALSE(s.hasFailed());
        Thing::deleteAll();
    }
    {
        // A reader that knows the type only by its stored name.
        KvDataStore::addEntityType(Thing::getClassTypeId(), nullptr);
        KvDataStore::addEntityType(KvString("DsTestThing"), reg.handler.get());
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        EXPECT_TRUE(Thing::cast(in.readEntity("A")));
        KvDataStore::addEntityType(KvString("DsTestThing"), nullptr);

        // ... and one that has no handler at all.
        KvGenre* none = nullptr;
        EXPECT_FALSE(in.readEntity("B", none));
        EXPECT_EQ(none, nullptr);
        EXPECT_TRUE(in.hasFailed());
        EXPECT_EQ(in.getErrors().back(), KvString("No entity handler for type 'DsTestThing'"));
        Thing::deleteAll();
    }
}

TEST(KvDataStore, ReferencesResolveForwardBackwardAndThroughEmbeddedRecords) {
    const std::string path = tmpPath("references.kvds");
    ThingRegistration reg;
    KvString t2Identifier;
    {
        Thing t1("t1"), t2("t2"), t3("t3"), t4("t4"), ghost("ghost");
        t3.next = &t4;  // t4 is stored last, inside an array
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        EXPECT_TRUE(out.writeReference("First", &t3));
        EXPECT_TRUE(out.writeReferenceArray("Some", kv::vector<Thing*>({&t1, nullptr, &t2})));
        EXPECT_TRUE(out.writeReference("Nobody", &ghost));
        EXPECT_EQ(out.getIdentifier(&t1), KvString(""));  // referenced, not stored yet
        ASSERT_TRUE(out.openSection("Records"));
        EXPECT_TRUE(out.writeEntity("T1", &t1));
        EXPECT_TRUE(out.writeEntity("T2", &t2));
        out.closeSection();
        EXPECT_TRUE(out.writeEntity("T3", &t3));
        EXPECT_TRUE(out.writeEntity("T3again", &t3));
        EXPECT_TRUE(out.writeReferenceArray("Embedded", kv::vector<Thing*>({&t4, &t1}), true));
        EXPECT_FALSE(out.getIdentifier(&t1).isEmpty());
        EXPECT_FALSE(out.getIdentifier(&t4).isEmpty());
        EXPECT_TRUE(out.getIdentifier(&ghost).isEmpty());
        t2Identifier = out.getIdentifier(&t2);
        EXPECT_TRUE(out.close());
    }
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        const KvDataStore& s = in;
        KvGenre* first = nullptr;
        ASSERT_TRUE(s.readReference("First", first));
        Thing* t3 = Thing::cast(first);
        ASSERT_TRUE(t3);
        EXPECT_EQ(t3->name, KvString("t3"));
        const Thing* t4 = static_cast<const Thing*>(t3->next);
        ASSERT_TRUE(t4);
        EXPECT_EQ(t4->name, KvString("t4"));

        kv::vector<KvGenre*> some;
        ASSERT_TRUE(s.readReferenceArray("Some", some));
        ASSERT_EQ(some.size(), 3u);
        EXPECT_EQ(some[1], nullptr);
        KvGenre* nobody = t3;
        EXPECT_TRUE(s.readReference("Nobody", nobody));
        EXPECT_EQ(nobody, nullptr);

        ASSERT_TRUE(s.enterSection("Records"));
        EXPECT_EQ(s.readEntity("T1"), some[0]);
        EXPECT_EQ(s.readEntity("T2"), some[2]);
        s.closeSection();
        EXPECT_EQ(s.readEntity("T3"), t3);
        EXPECT_EQ(s.readEntity("T3again"), t3);
        kv::vector<KvGenre*> embedded;
        ASSERT_TRUE(s.readReferenceArray("Embedded", embedded));
        EXPECT_EQ(embedded, kv::vector<KvGenre*>({const_cast<Thing*>(t4), some[0]}));
        EXPECT_EQ(reg.handler->reads, 4);  // each record once
        EXPECT_EQ(s.getIdentifier(some[2]), t2Identifier);
        EXPECT_FALSE(s.hasFailed());
        Thing::deleteAll();
    }
    {
        // Without resolving, records not read yet give null; bound keys and
        // identifiers stand for what they were bound to.
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        kv::vector<KvGenre*> some;
        ASSERT_TRUE(in.readReferenceArray("Some", some, false));
        EXPECT_EQ(some, kv::vector<KvGenre*>({nullptr, nullptr, nullptr}));
        Thing* mine1 = new Thing("mine1");
        Thing* mine2 = new Thing("mine2");
        ASSERT_TRUE(in.enterSection("Records"));
        EXPECT_TRUE(in.bindKey("T1", mine1));
        EXPECT_FALSE(in.bindKey("T9", mine1));
        in.closeSection();
        EXPECT_TRUE(in.bindKey("T3", t2Identifier, mine2));
        ASSERT_TRUE(in.readReferenceArray("Some", some));
        EXPECT_EQ(some, kv::vector<KvGenre*>({mine1, nullptr, mine2}));
        EXPECT_EQ(reg.handler->reads, 4);
        Thing::deleteAll();
    }
}

TEST(KvDataStore, CircularAndOverlongForwardChainsFailCleanly) {
    const std::string path = tmpPath("chains.kvds");
    ThingRegistration reg;
    {
        Thing a("a"), b("b");
        a.next = &b;
        b.next = &a;
        std::vector<Thing> chain(1000);
        for (size_t i = 0; i + 1 < chain.size(); ++i)
            chain[i].next = &chain[i + 1];
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        out.writeEntity("A", &a);
        out.writeEntity("B", &b);
        out.openSection("Chain");
        for (size_t i = 0; i < chain.size(); ++i)
            out.writeEntity(std::to_string(i), &chain[i]);
        out.closeSection();
        EXPECT_TRUE(out.close());
    }
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        EXPECT_FALSE(in.readEntity("A"));
        EXPECT_TRUE(in.hasFailed());
        EXPECT_EQ(in.getErrors().front(), KvString("Circular reference between entities"));
        Thing::deleteAll();
    }
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        ASSERT_TRUE(in.enterSection("Chain"));
        EXPECT_FALSE(in.readEntity("0"));
        EXPECT_TRUE(in.hasFailed());
        EXPECT_EQ(in.getErrors().front().subString(0, 27), KvString("Entities nested too deeply "));
        Thing::deleteAll();
    }
    {
        // Read from the tail, every reference points back: no limit applies.
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        ASSERT_TRUE(in.enterSection("Chain"));
        for (int i = 999; i >= 0; --i)
            ASSERT_TRUE(in.readEntity(std::to_string(i))) << i;
        EXPECT_FALSE(in.hasFailed());
        Thing::deleteAll();
    }
}

TEST(KvDataStore, VersionIsWrittenAndCanBeSetOnEitherSide) {
    const std::string path = tmpPath("version.kvds");
    const uint32_t current = KvDataStore::getCurrentVersion();
    KvDataStore::initType(300);
    {
        KvDataStore fresh;
        EXPECT_EQ(fresh.getVersion(), 300u);
    }
    KvDataStore::initType(static_cast<int>(current));
    {
        KvDataStore out;
        out.setVersion(19);
        ASSERT_TRUE(out.create(text(path)));
        EXPECT_EQ(out.getVersion(), 19u);
        EXPECT_TRUE(out.close());
    }
    KvDataStore in;
    ASSERT_TRUE(in.open(text(path)));
    EXPECT_EQ(in.getVersion(), 19u);
    in.setVersion(70);
    EXPECT_EQ(in.getVersion(), 70u);
}

TEST(KvDataStore, ErrorsAreKeptAndAFailedWriteLeavesTheFileAlone) {
    const std::string path = tmpPath("errors.kvds");
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        out.writeInt("Kept", 1);
        ASSERT_TRUE(out.close());
    }
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        out.writeInt("Kept", 2);
        ASSERT_TRUE(out.openSection("Attributes"));
        out.reportError("Expected a name attribute item");
        EXPECT_TRUE(out.hasFailed());
        EXPECT_FALSE(out.writeInt("Later", 3));
        out.reportError("Invalid entity type for this handler.");
        EXPECT_EQ(out.getErrors(),
                  KvStringArray({"Expected a name attribute item", "Invalid entity type for this handler."}));
        EXPECT_EQ(out.getErrorReport(), KvString("Expected a name attribute item (in 'Attributes')\n"
                                                 "Invalid entity type for this handler. (in 'Attributes')"));
        EXPECT_FALSE(out.close());
    }
    {
        KvDataStore abandoned;  // never closed
        ASSERT_TRUE(abandoned.create(text(path)));
        abandoned.writeInt("Kept", 3);
    }
    EXPECT_TRUE(leftovers(path).isEmpty());
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        long long kept = 0;
        EXPECT_TRUE(in.readInt("Kept", kept));
        EXPECT_EQ(kept, 1);
    }
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(tmpPath("errors2.kvds"))));
        out.writeInt("Twice", 1);
        EXPECT_FALSE(out.writeInt("Twice", 2));
        EXPECT_EQ(out.getErrors(), KvStringArray({"Duplicate key 'Twice'"}));
    }
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(tmpPath("errors3.kvds"))));
        KvGenre plain;
        EXPECT_FALSE(out.writeEntity("Plain", &plain));
        EXPECT_EQ(out.getErrors(), KvStringArray({"No entity handler for type 'Genre'"}));
    }
    {
        KvDataStore in;
        EXPECT_FALSE(in.open(text(tmpPath("no-such-file.kvds"))));
        EXPECT_TRUE(in.hasFailed());
        EXPECT_TRUE(in.getErrors().front().startsWith("Cannot open "));
        EXPECT_EQ(in.getMode(), KvDataStore::Idle);
    }
}

TEST(KvDataStore, KeysAreUniquePerSectionAndIdentifiersPerAddress) {
    ThingRegistration reg;
    // A key used again in inner sections is taken again in each enclosing
    // one once they close (a duplicate fails the store: one store a level).
    for (int level = 0; level < 2; ++level) {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(tmpPath("nested-keys.kvds"))));
        EXPECT_TRUE(out.writeInt("A", 1));
        ASSERT_TRUE(out.openSection("S"));
        EXPECT_TRUE(out.writeInt("A", 2));
        ASSERT_TRUE(out.openSection("T"));
        EXPECT_TRUE(out.writeInt("A", 3));
        EXPECT_FALSE(out.hasKey("S"));
        EXPECT_TRUE(out.closeSection());
        if (level == 0) EXPECT_TRUE(out.closeSection());
        EXPECT_TRUE(out.hasKey("A"));
        EXPECT_EQ(out.hasKey("S"), level == 0);
        EXPECT_FALSE(out.writeInt("A", 4));
        EXPECT_EQ(out.getErrors(), KvStringArray({"Duplicate key 'A'"}));
    }
    const std::string path = tmpPath("same-low-bits.kvds");
    Thing real("real");
    {
        // An empty store first: the next one starts with small tables, so
        // that the two addresses below meet in the same slot.
        KvDataStore empty;
        ASSERT_TRUE(empty.create(text(tmpPath("empty.kvds"))) && empty.close());
        // Written as a reference only, never dereferenced: an address that
        // differs from the real entity's in bit 40 alone.
        const auto* twin = reinterpret_cast<const KvGenre*>(reinterpret_cast<uintptr_t>(&real) ^ (uintptr_t(1) << 40));
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        EXPECT_TRUE(out.writeEntity("Real", &real));
        EXPECT_TRUE(out.writeReference("Twin", twin));
        EXPECT_TRUE(out.writeReference("Again", &real));
        EXPECT_TRUE(out.getIdentifier(twin).isEmpty());
        EXPECT_FALSE(out.getIdentifier(&real).isEmpty());
        EXPECT_TRUE(out.close());
    }
    KvDataStore in;
    ASSERT_TRUE(in.open(text(path))) << in.getErrorReport();
    KvGenre* read = in.readEntity("Real");
    KvGenre* twin = read;
    KvGenre* again = nullptr;
    ASSERT_TRUE(read);
    EXPECT_TRUE(in.readReference("Twin", twin));
    EXPECT_EQ(twin, nullptr);
    EXPECT_TRUE(in.readReference("Again", again));
    EXPECT_EQ(again, read);
    delete read;
}

TEST(KvDataStore, MisuseLeavesAMessageAndAnotherKindDoesNotFail) {
    const std::string path = tmpPath("misuse.kvds");
    ThingRegistration reg;
    Thing t("t");
    {
        KvDataStore idle;
        bool b = false;
        EXPECT_FALSE(idle.readBool("Flag", b));
        EXPECT_FALSE(idle.writeInt("N", 1));
        EXPECT_TRUE(idle.listKeys().isEmpty());
        EXPECT_EQ(idle.getErrors(), KvStringArray({"Cannot read 'Flag': the store is not open",
                                                   "Cannot write 'N': the store is not open for writing",
                                                   "Cannot list keys: the store is not open"}));
        EXPECT_TRUE(idle.hasFailed());
    }
    auto writeAll = [&](KvDataStore& out) {
        ASSERT_TRUE(out.create(text(path)));
        EXPECT_TRUE(out.writeInt("Int", 3));
        EXPECT_TRUE(out.writeUInt64("Big", 1ULL << 40));
        EXPECT_TRUE(out.writeEntity("Thing", &t));
    };
    {
        KvDataStore out;
        writeAll(out);
        EXPECT_FALSE(out.open(text(path)));  // already open: noted, and nothing lost
        bool b = false;
        EXPECT_FALSE(out.readBool("Int", b));
        EXPECT_EQ(out.getErrors(), KvStringArray({"Cannot open '" + path + "': the store is already open",
                                                  "Cannot read 'Int': the store is open for writing"}));
        EXPECT_TRUE(out.hasFailed());
    }
    {
        KvDataStore out;
        writeAll(out);
        EXPECT_TRUE(out.close());
    }
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(text(path)));
        const KvDataStore& s = in;
        bool b = false;
        int small = 0;
        KvString str;
        EXPECT_FALSE(s.readBool("Int", b));
        EXPECT_FALSE(s.enterSection("Int"));
        EXPECT_FALSE(s.readEntity("Int"));
        EXPECT_FALSE(s.readInt("Big", small));
        EXPECT_FALSE(s.readString("Thing", str));
        EXPECT_FALSE(s.readBool("Missing", b));  // absent: no message
        EXPECT_EQ(
            s.getErrors(),
            KvStringArray({"Entry 'Int' is an int, not a bool", "Entry 'Int' is an int, not a section",
                           "Entry 'Int' is an int, not an entity", "Entry 'Big' holds an integer out of the range read",
                           "Entry 'Thing' is a section, not a string"}));
        EXPECT_FALSE(s.hasFailed());
        EXPECT_TRUE(s.readInt("Int", small));
        EXPECT_EQ(small, 3);
        EXPECT_FALSE(in.writeBool("Flag", true));
        EXPECT_EQ(s.getErrors().back(), KvString("Cannot write 'Flag': the store is open for reading"));
        EXPECT_TRUE(s.hasFailed());
    }
    {
        KvDataStore out;
        ASSERT_TRUE(out.create(text(path)));
        ASSERT_TRUE(out.openSection("Section"));
        EXPECT_FALSE(out.writeEntity("None", nullptr));
        EXPECT_EQ(out.getErrorReport(), KvString("Cannot write a null entity under 'None' (in 'Section')"));
        EXPECT_FALSE(out.close());  // the file keeps what it had
    }
    KvDataStore in;
    ASSERT_TRUE(in.open(text(path)));
    EXPECT_TRUE(in.hasKey("Thing"));
}

namespace {

class Tracker : public KvDataStoreAttribute {
public:
    inline static int live = 0;
    inline static std::vector<std::string> deleted;
    explicit Tracker(std::string n) : name(std::move(n)) { ++live; }
    ~Tracker() override {
        deleted.push_back(name);
        --live;
    }
    static const KvTypeId& getClassTypeId() {
        static const KvTypeId id("DsTestTracker", KvDataStoreAttribute::getClassTypeId());
        return id;
    }
    const KvTypeId& getTypeId() const override { return getClassTypeId(); }
    bool isOfType(const KvTypeId& id) const override {
        return id == getClassTypeId() || KvDataStoreAttribute::isOfType(id);
    }
    std::string name;
};

class Marker : public KvDataStoreAttribute {
public:
    static const KvTypeId& getClassTypeId() {
        static const KvTypeId id("DsTestMarker", KvDataStoreAttribute::getClassTypeId());
        return id;
    }
    const KvTypeId& getTypeId() const override { return getClassTypeId(); }
    bool isOfType(const KvTypeId& id) const override {
        return id == getClassTypeId() || KvDataStoreAttribute::isOfType(id);
    }
};

}  // namespace

TEST(KvDataStore, AttributesAreOwnedByTheStoreAndDeletedWithIt) {
    Tracker::deleted.clear();
    {
        KvDataStore store;
        const KvDataStore& s = store;  // readers add attributes too
        auto* first = new Tracker("first");
        auto* marker = new Marker;
        s.addAttribute(first);
        s.addAttribute(marker);
        s.addAttribute(new Tracker("second"));
        s.addAttribute(first);  // already held
        EXPECT_EQ(first->getDataStore(), &store);
        EXPECT_EQ(s.getAttribute(Tracker::getClassTypeId()), first);
        EXPECT_EQ(s.getAttribute(Marker::getClassTypeId()), marker);
        EXPECT_EQ(s.getAttribute(KvString("DsTestMarker")), marker);
        EXPECT_EQ(s.getAttribute(KvDataStoreAttribute::getClassTypeId()), first);
        EXPECT_EQ(s.getAttribute(KvString("NoSuchType")), nullptr);
        EXPECT_EQ(KvDataStoreAttribute::cast(static_cast<KvGenre*>(marker)), marker);

        delete marker;  // an attribute that goes early leaves the store
        EXPECT_EQ(s.getAttribute(Marker::getClassTypeId()), nullptr);
        EXPECT_EQ(Tracker::live, 2);
        EXPECT_TRUE(Tracker::deleted.empty());
    }
    EXPECT_EQ(Tracker::live, 0);
    EXPECT_EQ(Tracker::deleted, std::vector<std::string>({"first", "second"}));
}
