#include "KvDataStoreTestSupport.h"

#include <KvDataStore.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using dstest::Thing;
using dstest::ThingRegistration;
using dstest::tmpPath;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes load(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void save(const std::string& path, const Bytes& b) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The file checksum (CRC-32, bit by bit), so that tests can damage the
// contents and still get past the check to the parser.
uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void forgeChecksum(Bytes& b) {
    if (b.size() < 4) return;
    const uint32_t sum = crc32(b.data(), b.size() - 4);
    for (int i = 0; i < 4; ++i)
        b[b.size() - 4 + i] = static_cast<uint8_t>(sum >> (8 * i));
}

// Tries every kind of read on every key, entering every section.
void walk(const KvDataStore& s, int depth = 0) {
    if (depth > 16) return;
    for (const KvString& k : s.listKeys()) {
        if (s.enterSection(k)) {
            walk(s, depth + 1);
            s.closeSection();
            continue;
        }
        bool b;
        long long i;
        unsigned long long u;
        double dbl;
        KvString str;
        kv::vector<uint32_t> u32s;
        KvStringArray strings;
        KvKeyValueArray pairs;
        kv::vector<bool> flags;
        KvIndex2 index;
        KvColor color;
        KvRenderSettings render;
        KvXformMatrix xform;
        KvParamSet params;
        KvNotch notch;
        KvGenre* entity;
        kv::vector<KvGenre*> entities;
        s.readEntity(k, entity);
        s.readEntity(k, entity, false);
        s.readBool(k, b);
        s.readInt(k, i);
        s.readUInt64(k, u);
        s.readDouble(k, dbl);
        s.readString(k, str);
        s.readUInt32Array(k, u32s);
        s.readStringArray(k, strings);
        s.readKeyValueArray(k, pairs);
        s.readFlagArray(k, flags);
        s.readIndex2(k, index);
        s.readColor(k, color);
        s.readRenderSettings(k, render);
        s.readXformMatrix(k, xform);
        s.readParamSet(k, params);
        s.readNotch(k, notch);
        s.readReference(k, entity);
        s.readReferenceArray(k, entities);
        s.readReferenceArray(k, entities, false);
    }
}

// A small file holding every kind of entry, entities and references included.
Bytes makeSample(const std::string& path) {
    Thing a("a", 1), b("b", 2), c("c", 3);
    a.next = &b;  // forward
    c.next = &a;
    KvParamSet params("p");
    params.add("x", "an x", 1.5);
    KvDataStore out;
    EXPECT_TRUE(out.create(KvString(path)));
    out.writeReference("Forward", &c);
    out.openSection("Values");
    out.writeBool("Bool", true);
    out.writeInt("Int", -5);
    out.writeUInt64("U64", 1ULL << 40);
    out.writeDouble("Double", 2.5);
    out.writeString("String", "text");
    out.writeString("Null", KvString());
    out.writeUInt32Array("U32s", {1, 2, 3});
    out.writeStringArray("Strings", {"s", KvString()});
    out.writeKeyValueArray("Pairs", params.asKeyValueArray());
    out.writeFlagArray("Flags", {true, false, true});
    out.writeIndex2("Index", KvIndex2(3, 4));
    out.writeColor("Color", KvColor(0.5f, 0.5f, 0.5f));
    out.writeRenderSettings("Render", KvRenderSettings());
    out.writeXformMatrix("Xform", KvXformMatrix::translation(1, 2, 3));
    out.writeParamSet("Params", params);
    out.writeNotch("Notch", KvNotch(9));
    out.closeSection();
    out.openSection("Entities");
    out.writeEntity("A", &a);
    out.writeEntity("B", &b);
    out.writeEntity("A2", &a);
    out.closeSection();
    out.writeReferenceArray("Array", kv::vector<Thing*>({&a, &c, nullptr}), true);
    EXPECT_TRUE(out.close());
    return load(path);
}

// Opens `bytes` as a file and reads everything; true when it opened.
bool openAndWalk(const std::string& path, const Bytes& bytes) {
    save(path, bytes);
    bool opened;
    {
        KvDataStore in;
        opened = in.open(KvString(path));
        if (opened)
            walk(in);
        else
            EXPECT_FALSE(in.getErrors().isEmpty());
    }
    Thing::deleteAll();
    return opened;
}

}  // namespace

TEST(KvDataStoreDamage, ForeignNewerAndEmptyFilesAreRefusedWithAReport) {
    const std::string path = tmpPath("foreign.kvds");
    save(path, Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    {
        KvDataStore in;
        EXPECT_FALSE(in.open(KvString(path)));
        EXPECT_EQ(in.getErrors().front(), KvString("'" + path + "' is not a data store file"));
        EXPECT_EQ(in.getMode(), KvDataStore::Idle);
        EXPECT_FALSE(in.hasKey("anything"));
    }
    save(path, Bytes());
    {
        KvDataStore in;
        EXPECT_FALSE(in.open(KvString(path)));
        EXPECT_EQ(in.getErrors().front(), KvString("'" + path + "' is not a data store file"));
    }
    ThingRegistration reg;
    Bytes newer = makeSample(path);
    newer[8] = 3;  // format version
    forgeChecksum(newer);
    save(path, newer);
    {
        KvDataStore in;
        EXPECT_FALSE(in.open(KvString(path)));
        EXPECT_TRUE(in.getErrors().front().startsWith("'" + path + "' was written in a newer format (3)"));
    }
}

TEST(KvDataStoreDamage, TruncatedFilesFailCleanlyAtEveryLength) {
    ThingRegistration reg;
    const std::string path = tmpPath("truncated.kvds");
    const Bytes good = makeSample(path);
    ASSERT_TRUE(openAndWalk(path, good));
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(n));
        if (n < 48 || n % 5 == 0) {
            EXPECT_FALSE(openAndWalk(path, cut)) << "length " << n;
        }
        // The same cut with a checksum that fits gets past the check.
        cut.resize(cut.size() + 4);
        forgeChecksum(cut);
        openAndWalk(path, cut);
    }
    Bytes cut(good.begin(), good.end() - 1);
    save(path, cut);
    KvDataStore in;
    EXPECT_FALSE(in.open(KvString(path)));
    EXPECT_EQ(in.getErrors().front(), KvString("'" + path + "' is damaged or truncated (checksum mismatch)"));
}

TEST(KvDataStoreDamage, FlippedBytesAreDetectedAndNeverCrashTheParser) {
    ThingRegistration reg;
    const std::string path = tmpPath("flipped.kvds");
    const Bytes good = makeSample(path);
    int opened = 0, refused = 0;
    for (size_t at = 0; at + 4 < good.size(); ++at) {
        for (uint8_t mask : {0x01, 0xFF}) {
            Bytes bad = good;
            bad[at] ^= mask;
            if (at % 16 == 0) {
                EXPECT_FALSE(openAndWalk(path, bad)) << "offset " << at;  // the checksum sees it
            }
            forgeChecksum(bad);
            (openAndWalk(path, bad) ? opened : refused)++;
        }
    }
    // Both outcomes occur: damage in values passes the structural checks.
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);

    std::mt19937 random(20240607);
    for (int round = 0; round < 200; ++round) {
        Bytes bad = good;
        int hits = 1 + static_cast<int>(random() % 6);
        for (int h = 0; h < hits; ++h)
            bad[16 + random() % (bad.size() - 36)] = static_cast<uint8_t>(random());
        forgeChecksum(bad);
        openAndWalk(path, bad);
    }
}
