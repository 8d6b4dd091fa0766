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

Bytes makeSample(const std::string& path) {
    EXPECT_TRUE(dstest::writeSample(path));
    return load(path);
}

// Opens `bytes` as a file and reads everything; true when it opened. A file
// that opens is sound: no read after that finds damage.
bool openAndWalk(const std::string& path, const Bytes& bytes) {
    save(path, bytes);
    bool opened;
    {
        KvDataStore in;
        opened = in.open(KvString(path));
        if (opened) {
            dstest::walk(in);
            for (const KvString& e : in.getErrors())
                EXPECT_EQ(e.find(" is damaged"), std::string::npos) << e.str();
        } else {
            EXPECT_FALSE(in.getErrors().isEmpty());
        }
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

TEST(KvDataStoreDamage, Format1FilesStayReadable) {
    // Written by the first release of the store.
    const Bytes format1 = {0x89, 0x4b, 0x56, 0x44, 0x53, 0x0d, 0x0a, 0x1a, 0x01, 0x00, 0x00, 0x00, 0x47, 0x00,
                           0x00, 0x00, 0x04, 0x00, 0x01, 0x09, 0x07, 0x01, 0x03, 0x6f, 0x6c, 0x64, 0x01, 0x02,
                           0x12, 0x06, 0x03, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x40, 0x0c, 0x04,
                           0x04, 0x02, 0x02, 0x73, 0x00, 0x03, 0x05, 0x01, 0x01, 0x06, 0x03, 0x49, 0x6e, 0x74,
                           0x04, 0x4e, 0x61, 0x6d, 0x65, 0x06, 0x56, 0x61, 0x6c, 0x75, 0x65, 0x73, 0x06, 0x44,
                           0x6f, 0x75, 0x62, 0x6c, 0x65, 0x07, 0x53, 0x74, 0x72, 0x69, 0x6e, 0x67, 0x73, 0x04,
                           0x4c, 0x61, 0x73, 0x74, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2a, 0x97, 0x4f, 0x96, 0x27, 0xd9, 0xdd, 0xef};
    const std::string path = tmpPath("format1.kvds");
    save(path, format1);
    {
        KvDataStore in;
        ASSERT_TRUE(in.open(KvString(path))) << in.getErrorReport();
        EXPECT_EQ(in.getVersion(), 71u);
        long long i = 0;
        KvString name;
        double dbl = 0;
        KvStringArray strings;
        bool last = false;
        EXPECT_TRUE(in.readInt("Int", i));
        EXPECT_EQ(i, -5);
        EXPECT_TRUE(in.readString("Name", name));
        EXPECT_EQ(name, KvString("old"));
        ASSERT_TRUE(in.enterSection("Values"));
        EXPECT_TRUE(in.readDouble("Double", dbl));
        EXPECT_EQ(dbl, 2.5);
        EXPECT_TRUE(in.readStringArray("Strings", strings));
        EXPECT_EQ(strings, KvStringArray({"s", KvString()}));
        in.closeSection();
        EXPECT_TRUE(in.readBool("Last", last) && last);
        EXPECT_TRUE(in.getErrors().isEmpty());
    }
    Bytes bad = format1;
    bad[24] ^= 1;  // inside "old": only the old checksum sees it
    save(path, bad);
    KvDataStore in;
    EXPECT_FALSE(in.open(KvString(path)));
    EXPECT_EQ(in.getErrors().front(), KvString("'" + path + "' is damaged or truncated (checksum mismatch)"));
}
