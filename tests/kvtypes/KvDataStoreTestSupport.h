#pragma once

// Entities, handlers, a sample file and a reader of everything, shared by the
// data store tests and the data store fuzz target.

#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvGenre.h>

#include <QDir>

#include <memory>
#include <set>
#include <string>

namespace dstest {

#ifdef KV_TEST_TMPDIR
inline std::string tmpPath(const char* name) {
    QDir().mkpath(KV_TEST_TMPDIR);
    return std::string(KV_TEST_TMPDIR) + "/" + name;
}
#endif

// A named thing with a number and a reference to another entity. Every
// living Thing is listed, so that tests can clean up what reads left behind.
class Thing : public KvGenre {
public:
    static std::set<Thing*>& all() {
        static std::set<Thing*> things;
        return things;
    }
    static void deleteAll() {
        while (!all().empty())
            delete *all().begin();
    }

    Thing() { all().insert(this); }
    explicit Thing(const char* n, long long v = 0) : name(n), value(v) { all().insert(this); }
    ~Thing() override { all().erase(this); }

    static const KvTypeId& getClassTypeId() {
        static const KvTypeId id("DsTestThing", KvGenre::getClassTypeId());
        return id;
    }
    const KvTypeId& getTypeId() const override { return getClassTypeId(); }
    bool isOfType(const KvTypeId& id) const override { return id == getClassTypeId() || KvGenre::isOfType(id); }
    static Thing* cast(KvGenre* p) { return p && p->isOfType(getClassTypeId()) ? static_cast<Thing*>(p) : nullptr; }

    KvString name;
    long long value = 0;
    const KvGenre* next = nullptr;
};

// A subclass without a handler of its own: written by Thing's handler.
class SubThing : public Thing {
public:
    using Thing::Thing;
    static const KvTypeId& getClassTypeId() {
        static const KvTypeId id("DsTestSubThing", Thing::getClassTypeId());
        return id;
    }
    const KvTypeId& getTypeId() const override { return getClassTypeId(); }
    bool isOfType(const KvTypeId& id) const override { return id == getClassTypeId() || Thing::isOfType(id); }
};

// Writes a Thing as a section of three values; counts its calls.
class ThingHandler : public KvEntityType {
public:
    int reads = 0;
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const Thing* t = dynamic_cast<const Thing*>(entity);
        if (!t) {
            store.reportError("Invalid entity type for this handler");
            return false;
        }
        if (!store.openSection(key, shared)) return false;
        store.writeString("Name", t->name);
        store.writeInt("Value", t->value);
        store.writeReference("Next", t->next);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        ++reads;
        if (!store.enterSection(key)) return false;
        auto* t = new Thing;
        KvGenre* next = nullptr;
        bool ok =
            store.readString("Name", t->name) && store.readInt("Value", t->value) && store.readReference("Next", next);
        t->next = next;
        if (!t->name.isNull()) store.pushAlternateName(t->name);
        ok = store.closeSection() && ok;
        if (!ok) delete t;
        entity = ok ? t : nullptr;
        return ok;
    }
};

// Registers a fresh Thing handler for the test's life.
struct ThingRegistration {
    std::unique_ptr<ThingHandler> handler{new ThingHandler};
    ThingRegistration() { KvDataStore::addEntityType(Thing::getClassTypeId(), handler.get()); }
    ~ThingRegistration() { KvDataStore::addEntityType(Thing::getClassTypeId(), nullptr); }
};

// Writes a small file holding every kind of entry, entities and references
// included; true when it was written.
inline bool writeSample(const std::string& path) {
    Thing a("a", 1), b("b", 2), c("c", 3);
    a.next = &b;  // forward
    c.next = &a;
    KvParamSet params("p");
    params.add("x", "an x", 1.5);
    KvDataStore out;
    if (!out.create(KvString(path))) return false;
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
    out.writeEntity("ACopy", &a, false);
    out.closeSection();
    out.writeReferenceArray("Array", kv::vector<Thing*>({&a, &c, nullptr}), true);
    return out.close();
}

// Tries every kind of read on every key, entering every section.
inline void walk(const KvDataStore& s, int depth = 0) {
    if (depth > 16) return;
    for (const KvString& k : s.listKeys()) {
        if (s.enterSection(k)) {
            walk(s, depth + 1);
            s.closeSection();
            continue;
        }
        bool b;
        int i32;
        long long i;
        uint32_t u32;
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
        s.hasKey(k);
        s.readEntity(k, entity);
        s.readEntity(k, entity, false);
        s.getIdentifier(entity);
        s.readBool(k, b);
        s.readInt(k, i32);
        s.readInt(k, i);
        s.readUInt32(k, u32);
        s.readUInt64(k, u);
        s.readDouble(k, dbl);
        s.readString(k, str);
        s.findByAlternateName(str);
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

}  // namespace dstest
