// Writes the seed files of the data store fuzz target into the folder named
// on the command line: files as the library saves them, so that the fuzzer
// starts from sound structure.

#include "KvDataStoreTestSupport.h"

#include <KvDataStore.h>

#include <QDir>

#include <cstdio>
#include <string>
#include <vector>

using dstest::Thing;

namespace {

// Forward references, a chain, a cycle and copies.
bool writeEntities(const std::string& path) {
    std::vector<Thing> chain(12);
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        chain[i].next = &chain[i + 1];
    Thing a("a"), b("b");
    a.next = &b;
    b.next = &a;
    KvDataStore out;
    if (!out.create(KvString(path))) return false;
    out.setVersion(52);
    out.writeReference("Head", &chain[0]);
    out.openSection("Chain");
    for (size_t i = 0; i < chain.size(); ++i)
        out.writeEntity(std::to_string(i), &chain[i], i % 3 != 2);
    out.closeSection();
    out.writeEntity("A", &a);
    out.writeEntity("B", &b);
    out.writeReferenceArray("Both", kv::vector<Thing*>({&b, nullptr, &a}));
    return out.close();
}

// Nested sections, and one long enough for its keys to be indexed.
bool writeSections(const std::string& path) {
    KvDataStore out;
    if (!out.create(KvString(path))) return false;
    out.openSection("Outer");
    out.openSection("Inner");
    out.writeBool("Deep", true);
    out.closeSection();
    out.writeString("After", "x");
    out.closeSection();
    out.openSection("Many");
    for (int i = 0; i < 40; ++i)
        out.writeInt("k" + std::to_string(i), i * 1000);
    out.closeSection();
    return out.close();
}

// The layouts of instance lists, with things for records: an embedded
// array, a counted list of links, copies under each entry, and a count
// larger than the entries.
bool writeInstanceLists(const std::string& path) {
    std::vector<Thing> entities(4), instances(4);
    for (size_t i = 0; i < instances.size(); ++i)
        instances[i].next = &entities[i];
    KvDataStore out;
    if (!out.create(KvString(path))) return false;
    out.openSection("Entities");
    for (size_t i = 0; i < entities.size(); ++i)
        out.writeEntity("E" + std::to_string(i), &entities[i]);
    out.closeSection();
    out.openSection("Instances");
    out.writeReferenceArray("Fei", kv::vector<Thing*>({&instances[0], &instances[1], &instances[2]}), true);
    out.closeSection();
    out.openSection("Picked");
    out.writeInt("Count", 3);
    out.writeEntity("FEI0", &instances[2]);
    out.writeEntity("FEI1", &instances[3]);
    out.writeEntity("FEI2", &instances[0]);
    out.closeSection();
    out.openSection("Copies");
    out.writeInt("Count", 2);
    out.writeEntity("TSO0", &instances[1], false);
    out.writeEntity("TSO1", &instances[1], false);
    out.closeSection();
    out.openSection("Short");
    out.writeInt("Count", 5);
    out.writeEntity("FEI0", &instances[3]);
    out.closeSection();
    return out.close();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    QDir().mkpath(QString::fromStdString(dir));
    dstest::ThingRegistration registration;
    const bool ok = dstest::writeSample(dir + "/sample.kvds") && writeEntities(dir + "/entities.kvds") &&
                    writeSections(dir + "/sections.kvds") && writeInstanceLists(dir + "/instances.kvds");
    dstest::Thing::deleteAll();
    if (!ok) std::fprintf(stderr, "writing the seeds failed\n");
    return ok ? 0 : 1;
}
