#pragma once

// Entities and handlers shared by the data store tests.

#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvGenre.h>

#include <QDir>

#include <memory>
#include <set>
#include <string>

namespace dstest {

inline std::string tmpPath(const char* name) {
    QDir().mkpath(KV_TEST_TMPDIR);
    return std::string(KV_TEST_TMPDIR) + "/" + name;
}

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

}  // namespace dstest
