// Writing and reading 100,000 small entities (a name, a number, a reference
// to the entity before) through the data store, beside a hand-written
// QDataStream serialiser of the same fields: the floor for this job.

#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvGenre.h>

#include <benchmark/benchmark.h>

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <malloc.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kEntities = 100000;

class BenchEntity : public KvGenre {
public:
    static const KvTypeId& getClassTypeId() {
        static const KvTypeId id("DataStoreBenchEntity", KvGenre::getClassTypeId());
        return id;
    }
    const KvTypeId& getTypeId() const override { return getClassTypeId(); }
    bool isOfType(const KvTypeId& id) const override { return id == getClassTypeId() || KvGenre::isOfType(id); }

    KvString name;
    long long value = 0;
    const BenchEntity* prev = nullptr;
};

class BenchHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const auto* e = static_cast<const BenchEntity*>(entity);
        if (!store.openSection(key, shared)) return false;
        store.writeString("Name", e->name);
        store.writeInt("Value", e->value);
        store.writeReference("Prev", e->prev);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        if (!store.enterSection(key)) return false;
        auto* e = new BenchEntity;
        KvGenre* prev = nullptr;
        bool ok =
            store.readString("Name", e->name) && store.readInt("Value", e->value) && store.readReference("Prev", prev);
        e->prev = static_cast<const BenchEntity*>(prev);
        entity = e;
        return store.closeSection() && ok;
    }
};

void registerHandler() {
    static bool done = [] {
        KvDataStore::addEntityType(BenchEntity::getClassTypeId(), new BenchHandler);
        return true;
    }();
    (void)done;
}

struct Fixture {
    std::vector<std::unique_ptr<BenchEntity>> entities;
    std::vector<KvString> keys;
    Fixture() {
        for (int i = 0; i < kEntities; ++i) {
            auto e = std::make_unique<BenchEntity>();
            e->name = KvString("entity-") + KvString::number(i);
            e->value = 7LL * i;
            e->prev = entities.empty() ? nullptr : entities.back().get();
            entities.push_back(std::move(e));
            keys.push_back(KvString("E") + KvString::number(i));
        }
    }
};

const Fixture& fixture() {
    static Fixture f;
    return f;
}

std::string storePath() { return std::string(KV_BENCH_TMPDIR) + "/datastore-bench.kvds"; }
std::string streamPath() { return std::string(KV_BENCH_TMPDIR) + "/datastream-bench.bin"; }

bool writeStore() {
    const Fixture& f = fixture();
    KvDataStore store;
    if (!store.create(KvString(storePath())) || !store.openSection("Entities")) return false;
    for (int i = 0; i < kEntities; ++i)
        store.writeEntity(f.keys[i], f.entities[i].get());
    store.closeSection();
    return store.close();
}

void writeStream() {
    const Fixture& f = fixture();
    QFile file(QString::fromStdString(streamPath()));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QDataStream out(&file);
    out << quint32(0x4B564253) << qint32(kEntities);
    for (int i = 0; i < kEntities; ++i) {
        const BenchEntity& e = *f.entities[i];
        out.writeBytes(e.name.getString(), static_cast<uint>(e.name.length()));
        out << qint64(e.value) << qint32(i - 1);
    }
}

void deleteAll(std::vector<KvGenre*>& read) {
    for (KvGenre* e : read)
        delete e;
    read.clear();
}

void setCounters(benchmark::State& state, const std::string& path) {
    state.SetItemsProcessed(state.iterations() * kEntities);
    state.counters["bytes_per_entity"] =
        static_cast<double>(QFileInfo(QString::fromStdString(path)).size()) / kEntities;
}

}  // namespace

static void BM_DataStoreWrite(benchmark::State& state) {
    registerHandler();
    fixture();
    for (auto _ : state) {
        if (!writeStore()) state.SkipWithError("writing the store failed");
    }
    setCounters(state, storePath());
}
BENCHMARK(BM_DataStoreWrite)->Unit(benchmark::kMillisecond);

// The read benchmarks free 100,000 entities between iterations, outside the
// timing. Whether glibc then hands the top of the heap back to the system
// (and the next iteration pays the page faults again) depends on what else
// happens to sit at the top; and once a threshold is set by hand, glibc stops
// adjusting the mapping threshold, so it is set too, or the file buffer would
// be mapped afresh every time. Both readers run alike, so that the figures
// compare the readers. Afterwards the thresholds stay where glibc's own
// adjustment settles (32 MB mapping, twice that for trimming).
struct KeepHeapPages {
    KeepHeapPages() {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 512 << 20);
    }
    ~KeepHeapPages() {
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        malloc_trim(0);
    }
};

static void BM_DataStoreRead(benchmark::State& state) {
    KeepHeapPages keep;
    registerHandler();
    if (!writeStore()) state.SkipWithError("writing the store failed");
    std::vector<KvGenre*> read;
    read.reserve(kEntities);
    for (auto _ : state) {
        KvDataStore store;
        if (!store.open(KvString(storePath())) || !store.enterSection("Entities")) {
            state.SkipWithError("opening the store failed");
            break;
        }
        for (const KvString& key : store.listKeys())
            read.push_back(store.readEntity(key));
        store.closeSection();
        store.close();
        state.PauseTiming();
        const auto* last = static_cast<const BenchEntity*>(read.back());
        if (read.size() != size_t(kEntities) || !last || last->prev != read[kEntities - 2] ||
            last->value != 7LL * (kEntities - 1))
            state.SkipWithError("read back wrong");
        deleteAll(read);
        state.ResumeTiming();
    }
    setCounters(state, storePath());
}
BENCHMARK(BM_DataStoreRead)->Unit(benchmark::kMillisecond);

static void BM_QtDataStreamWrite(benchmark::State& state) {
    fixture();
    for (auto _ : state)
        writeStream();
    setCounters(state, streamPath());
}
BENCHMARK(BM_QtDataStreamWrite)->Unit(benchmark::kMillisecond);

static void BM_QtDataStreamRead(benchmark::State& state) {
    KeepHeapPages keep;
    writeStream();
    std::vector<KvGenre*> read;
    read.reserve(kEntities);
    for (auto _ : state) {
        QFile file(QString::fromStdString(streamPath()));
        file.open(QIODevice::ReadOnly);
        QDataStream in(&file);
        quint32 magic;
        qint32 count;
        in >> magic >> count;
        std::vector<BenchEntity*> byIndex(static_cast<size_t>(count), nullptr);
        for (qint32 i = 0; i < count; ++i) {
            char* bytes = nullptr;
            uint length = 0;
            qint64 value;
            qint32 prev;
            in.readBytes(bytes, length);
            in >> value >> prev;
            auto* e = new BenchEntity;
            e->name = KvString(bytes, length);
            delete[] bytes;
            e->value = value;
            e->prev = prev >= 0 && prev < i ? byIndex[static_cast<size_t>(prev)] : nullptr;
            byIndex[static_cast<size_t>(i)] = e;
            read.push_back(e);
        }
        state.PauseTiming();
        deleteAll(read);
        state.ResumeTiming();
    }
    setCounters(state, streamPath());
}
BENCHMARK(BM_QtDataStreamRead)->Unit(benchmark::kMillisecond);
