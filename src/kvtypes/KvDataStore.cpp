#include <KvDataStore.h>

#include "KvDataStoreFormat.h"
#include "KvDataStoreReader.h"
#include "KvDataStoreRegistry.h"
#include "KvDataStoreWriter.h"

#include <KvDataStoreAttribute.h>
#include <KvGenre.h>

#include <algorithm>
#include <limits>

// The store hands its work to a writer or a reader (one at a time) and keeps
// what outlives both: the mode, the error report and the attributes.

namespace {
KvString quoted(const KvString& s) { return KvString("'") + s + "'"; }
KvString quoted(const KvDataStore::Key& key) { return quoted(KvString(key.c_str(), key.size())); }
}  // namespace

struct KvDataStore::Impl {
    explicit Impl(const KvDataStore& s)
        : version(KvDataStoreRegistry::currentVersion()), writer(s, failed), reader(s) {}

    Mode mode = Idle;
    KvString path;
    uint32_t version;
    bool failed = false;
    kv::vector<KvString> errors;
    kv::vector<KvString> contexts;
    std::vector<KvDataStoreAttribute*> attributes;
    KvDataStoreWriter writer;
    KvDataStoreReader reader;

    // Where a message was reported: the current section, and the entity
    // being read.
    KvString context() const {
        KvString where;
        if (mode == Writing) where = writer.where();
        if (mode == Reading) where = reader.where();
        KvString out;
        if (!where.isEmpty()) out = KvString("in ") + quoted(where);
        const KvString name = mode == Reading ? reader.readingName() : KvString();
        if (!name.isNull()) out += KvString(out.isEmpty() ? "" : ", ") + "reading " + quoted(name);
        return out;
    }

    void note(const KvString& message) {
        errors.push_back(message);
        contexts.push_back(context());
    }

    void report(const KvString& message) {
        note(message);
        failed = true;
    }

    void reset(const KvString& newPath) {
        writer.abandon();
        reader.close();
        failed = false;
        errors.clear();
        contexts.clear();
        path = newPath;
    }

    // The writer, or null (with a report) when the store is not being written.
    KvDataStoreWriter* writing(const Key& key) { return mode == Writing ? &writer : notWriting(key); }
    // The reader, or null (with a report) when the store is not being read.
    KvDataStoreReader* reading(const Key& key) { return mode == Reading ? &reader : notReading(key); }
    // Kept out of line: inlined, the message building made every value
    // call save all registers and set up a large frame.
    KV_DS_COLD KvDataStoreWriter* notWriting(const Key& key);
    KV_DS_COLD KvDataStoreReader* notReading(const Key& key);
    KV_DS_COLD bool nullEntity(const Key& key);

    template <class T>
    bool readSigned(const Key& key, T& value) {
        long long v;
        KvDataStoreReader* r = reading(key);
        if (!r || !r->readSigned(key, v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max())) return false;
        value = static_cast<T>(v);
        return true;
    }

    template <class T>
    bool readUnsigned(const Key& key, T& value) {
        uint64_t v;
        KvDataStoreReader* r = reading(key);
        if (!r || !r->readUnsigned(key, v, std::numeric_limits<T>::max())) return false;
        value = static_cast<T>(v);
        return true;
    }
};

KvDataStoreWriter* KvDataStore::Impl::notWriting(const Key& key) {
    report(KvString("Cannot write ") + quoted(key) +
           (mode == Reading ? ": the store is open for reading" : ": the store is not open for writing"));
    return nullptr;
}

KvDataStoreReader* KvDataStore::Impl::notReading(const Key& key) {
    report(KvString("Cannot read ") + quoted(key) +
           (mode == Writing ? ": the store is open for writing" : ": the store is not open"));
    return nullptr;
}

bool KvDataStore::Impl::nullEntity(const Key& key) {
    report(KvString("Cannot write a null entity under ") + quoted(key));
    return false;
}

KvDataStore::KvDataStore() : d_(new Impl(*this)) {}

KvDataStore::~KvDataStore() {
    d_->writer.abandon();  // never closed: the target stays as it was
    d_->reader.close();
    // An attribute's destructor may still use the store, and may add others.
    while (!d_->attributes.empty()) {
        std::vector<KvDataStoreAttribute*> list;
        list.swap(d_->attributes);
        for (KvDataStoreAttribute* a : list) {
            a->store_ = nullptr;
            delete a;
        }
    }
}

// --- process-wide

void KvDataStore::initType(int currentVersion) {
    KvDataStoreAttribute::initType();
    KvDataStoreRegistry::setCurrentVersion(currentVersion > 0 ? static_cast<uint32_t>(currentVersion) : 0);
}

uint32_t KvDataStore::getCurrentVersion() { return KvDataStoreRegistry::currentVersion(); }

void KvDataStore::addEntityType(const KvTypeId& type, KvEntityType* handler) {
    KvDataStoreRegistry::add(type, handler);
}

void KvDataStore::addEntityType(const KvString& name, KvEntityType* handler) {
    KvDataStoreRegistry::add(name, handler);
}

KvEntityType* KvDataStore::getEntityType(const KvTypeId& type) { return KvDataStoreRegistry::resolve(type).handler; }

KvEntityType* KvDataStore::getEntityType(const KvString& name) { return KvDataStoreRegistry::resolve(name.str()); }

// --- file

bool KvDataStore::create(const KvString& path) {
    Impl& s = *d_;
    if (s.mode != Idle) {
        s.note(KvString("Cannot create ") + quoted(path) + ": the store is already open");
        return false;
    }
    s.reset(path);
    if (path.isEmpty()) {
        s.report("Cannot create a store without a file name");
        return false;
    }
    if (!s.writer.start(path)) return false;
    s.mode = Writing;
    return true;
}

bool KvDataStore::open(const KvString& path) {
    Impl& s = *d_;
    if (s.mode != Idle) {
        s.note(KvString("Cannot open ") + quoted(path) + ": the store is already open");
        return false;
    }
    s.reset(path);
    if (!s.reader.open(path)) return false;
    s.version = s.reader.storeVersion();
    s.mode = Reading;
    return true;
}

bool KvDataStore::close() {
    Impl& s = *d_;
    bool ok = s.mode != Idle;
    if (s.mode == Writing) ok = !s.failed && s.writer.finish(s.version);
    s.writer.abandon();
    s.reader.close();
    s.mode = Idle;
    return ok;
}

KvDataStore::Mode KvDataStore::getMode() const { return d_->mode; }
const KvString& KvDataStore::getPath() const { return d_->path; }
uint32_t KvDataStore::getVersion() const { return d_->version; }
void KvDataStore::setVersion(uint32_t version) { d_->version = version; }

// --- errors

bool KvDataStore::hasFailed() const { return d_->failed; }
void KvDataStore::reportError(const KvString& message) const { d_->report(message); }
void KvDataStore::note(const KvString& message) const { d_->note(message); }
const kv::vector<KvString>& KvDataStore::getErrors() const { return d_->errors; }

KvString KvDataStore::getErrorReport() const {
    KvString out("");
    for (size_t i = 0; i < d_->errors.size(); ++i) {
        if (i) out += "\n";
        out += d_->errors[i];
        if (!d_->contexts[i].isEmpty()) out += KvString(" (") + d_->contexts[i] + ")";
    }
    return out;
}

// --- sections

bool KvDataStore::hasKey(Key key) const {
    if (d_->mode == Writing) return d_->writer.hasKey(key);
    if (d_->mode == Reading) return d_->reader.hasKey(key);
    return false;
}

bool KvDataStore::openSection(Key key, bool shared) {
    KvDataStoreWriter* w = d_->writing(key);
    return w && w->openSection(key, shared);
}

bool KvDataStore::enterSection(Key key) const {
    if (d_->mode == Writing) return d_->writer.openSection(key, false);
    KvDataStoreReader* r = d_->reading(key);
    return r && r->enterSection(key);
}

bool KvDataStore::closeSection() const {
    if (d_->mode == Writing) return d_->writer.closeSection();
    if (d_->mode == Reading) return d_->reader.closeSection();
    return false;
}

kv::vector<KvString> KvDataStore::listKeys() const {
    if (d_->mode == Writing) return d_->writer.listKeys();
    if (d_->mode == Reading) return d_->reader.listKeys();
    d_->report("Cannot list keys: the store is not open");
    return kv::vector<KvString>();
}

size_t KvDataStore::getDepth() const {
    if (d_->mode == Writing) return d_->writer.depth();
    if (d_->mode == Reading) return d_->reader.depth();
    return 0;
}

// --- entities

bool KvDataStore::writeEntity(Key key, const KvGenre* entity, bool shared) {
    KvDataStoreWriter* w = d_->writing(key);
    if (w && !entity) return d_->nullEntity(key);
    return w && w->writeEntity(key, entity, shared);
}

bool KvDataStore::completeEntry(Key key, bool shared) {
    KvDataStoreWriter* w = d_->writing(key);
    return w && w->completeEntry(key, shared);
}

bool KvDataStore::readEntity(Key key, KvGenre*& entity, bool shared) const {
    entity = nullptr;
    KvDataStoreReader* r = d_->reading(key);
    return r && r->readEntity(key, entity, shared);
}

KvGenre* KvDataStore::readEntity(Key key, bool shared) const {
    KvGenre* entity = nullptr;
    readEntity(key, entity, shared);
    return entity;
}

bool KvDataStore::bindKey(Key key, KvGenre* entity) const {
    KvDataStoreReader* r = d_->reading(key);
    return r && r->bindKey(key, entity);
}

bool KvDataStore::bindKey(Key key, const KvString& identifier, KvGenre* entity) const {
    KvDataStoreReader* r = d_->reading(key);
    if (!r) return false;
    const bool byKey = r->bindKey(key, entity);
    return r->bindIdentifier(identifier, entity) || byKey;
}

KvString KvDataStore::getIdentifier(const KvGenre* entity) const {
    if (!entity) return KvString("");
    if (d_->mode == Writing) return d_->writer.identifier(entity);
    if (d_->mode == Reading) return d_->reader.identifier(entity);
    return KvString("");
}

void KvDataStore::pushAlternateName(const KvString& name) const {
    if (d_->mode == Reading) d_->reader.pushAlternateName(name);
}

KvGenre* KvDataStore::findByAlternateName(const KvString& name) const {
    return d_->mode == Reading ? d_->reader.findByAlternateName(name) : nullptr;
}

// --- references

bool KvDataStore::writeReference(Key key, const KvGenre* entity) {
    KvDataStoreWriter* w = d_->writing(key);
    return w && w->writeReference(key, entity);
}

bool KvDataStore::readReference(Key key, KvGenre*& entity) const {
    entity = nullptr;
    KvDataStoreReader* r = d_->reading(key);
    return r && r->readReference(key, entity);
}

bool KvDataStore::writeReferenceArray(Key key, const kv::vector<const KvGenre*>& entities, bool embed) {
    KvDataStoreWriter* w = d_->writing(key);
    return w && w->writeReferenceArray(key, entities, embed);
}

bool KvDataStore::readReferenceArray(Key key, kv::vector<KvGenre*>& entities, bool resolve) const {
    KvDataStoreReader* r = d_->reading(key);
    if (!r) entities.clear();
    return r && r->readReferenceArray(key, entities, resolve);
}

// --- values: each goes to the writer or the reader when the mode allows it

#define KV_DS_WRITE(call)                    \
    KvDataStoreWriter* w = d_->writing(key); \
    return w && w->call

#define KV_DS_READ(call)                     \
    KvDataStoreReader* r = d_->reading(key); \
    return r && r->call

bool KvDataStore::writeBool(Key key, bool value) { KV_DS_WRITE(writeBool(key, value)); }
bool KvDataStore::readBool(Key key, bool& value) const { KV_DS_READ(readBool(key, value)); }
bool KvDataStore::writeInt(Key key, long long value) { KV_DS_WRITE(writeInt(key, value)); }
bool KvDataStore::readInt(Key key, int& value) const { return d_->readSigned(key, value); }
bool KvDataStore::readInt(Key key, long& value) const { return d_->readSigned(key, value); }
bool KvDataStore::readInt(Key key, long long& value) const { return d_->readSigned(key, value); }
bool KvDataStore::writeUInt32(Key key, uint32_t value) { KV_DS_WRITE(writeUInt(key, value)); }
bool KvDataStore::readUInt32(Key key, uint32_t& value) const { return d_->readUnsigned(key, value); }
bool KvDataStore::writeUInt64(Key key, uint64_t value) { KV_DS_WRITE(writeUInt(key, value)); }
bool KvDataStore::readUInt64(Key key, unsigned long& value) const { return d_->readUnsigned(key, value); }
bool KvDataStore::readUInt64(Key key, unsigned long long& value) const { return d_->readUnsigned(key, value); }
bool KvDataStore::writeDouble(Key key, double value) { KV_DS_WRITE(writeDouble(key, value)); }
bool KvDataStore::readDouble(Key key, double& value) const { KV_DS_READ(readDouble(key, value)); }
bool KvDataStore::writeString(Key key, const KvString& value) { KV_DS_WRITE(writeString(key, value)); }
bool KvDataStore::readString(Key key, KvString& value) const { KV_DS_READ(readString(key, value)); }

bool KvDataStore::writeUInt32Array(Key key, const kv::vector<uint32_t>& values) {
    KV_DS_WRITE(writeUInt32Array(key, values));
}
bool KvDataStore::readUInt32Array(Key key, kv::vector<uint32_t>& values) const {
    KV_DS_READ(readUInt32Array(key, values));
}
bool KvDataStore::writeStringArray(Key key, const KvStringArray& values) { KV_DS_WRITE(writeStringArray(key, values)); }
bool KvDataStore::readStringArray(Key key, KvStringArray& values) const { KV_DS_READ(readStringArray(key, values)); }
bool KvDataStore::writeKeyValueArray(Key key, const KvKeyValueArray& values) {
    KV_DS_WRITE(writeKeyValueArray(key, values));
}
bool KvDataStore::readKeyValueArray(Key key, KvKeyValueArray& values) const {
    KV_DS_READ(readKeyValueArray(key, values));
}
bool KvDataStore::writeFlagArray(Key key, const kv::vector<bool>& values) { KV_DS_WRITE(writeFlagArray(key, values)); }
bool KvDataStore::readFlagArray(Key key, kv::vector<bool>& values) const { KV_DS_READ(readFlagArray(key, values)); }
bool KvDataStore::writeIndex2(Key key, const KvIndex2& value) { KV_DS_WRITE(writeIndex2(key, value)); }
bool KvDataStore::readIndex2(Key key, KvIndex2& value) const { KV_DS_READ(readIndex2(key, value)); }
bool KvDataStore::writeColor(Key key, const KvColor& value) { KV_DS_WRITE(writeColor(key, value)); }
bool KvDataStore::readColor(Key key, KvColor& value) const { KV_DS_READ(readColor(key, value)); }
bool KvDataStore::writeRenderSettings(Key key, const KvRenderSettings& value) {
    KV_DS_WRITE(writeRenderSettings(key, value));
}
bool KvDataStore::readRenderSettings(Key key, KvRenderSettings& value) const {
    KV_DS_READ(readRenderSettings(key, value));
}
bool KvDataStore::writeXformMatrix(Key key, const KvXformMatrix& value) { KV_DS_WRITE(writeXformMatrix(key, value)); }
bool KvDataStore::readXformMatrix(Key key, KvXformMatrix& value) const { KV_DS_READ(readXformMatrix(key, value)); }
bool KvDataStore::writeParamSet(Key key, const KvParamSet& value) { KV_DS_WRITE(writeParamSet(key, value)); }
bool KvDataStore::readParamSet(Key key, KvParamSet& value) const { KV_DS_READ(readParamSet(key, value)); }
bool KvDataStore::writeNotch(Key key, const KvNotch& value) { KV_DS_WRITE(writeNotch(key, value.getValue())); }

bool KvDataStore::readNotch(Key key, KvNotch& value) const {
    uint64_t v;
    KvDataStoreReader* r = d_->reading(key);
    if (!r || !r->readNotch(key, v)) return false;
    value = KvNotch(v);
    return true;
}

#undef KV_DS_WRITE
#undef KV_DS_READ

// --- attributes

KvDataStoreAttribute* KvDataStore::getAttribute(const KvTypeId& type) const {
    for (KvDataStoreAttribute* a : d_->attributes)
        if (a->isOfType(type)) return a;
    return nullptr;
}

KvDataStoreAttribute* KvDataStore::getAttribute(const KvString& typeName) const {
    KvTypeId type = KvTypeId::lookup(typeName);
    return type.isValid() ? getAttribute(type) : nullptr;
}

void KvDataStore::addAttribute(KvDataStoreAttribute* attribute) const {
    if (!attribute || attribute->store_) return;
    attribute->store_ = this;
    d_->attributes.push_back(attribute);
}

void KvDataStore::forgetAttribute(const KvDataStoreAttribute* attribute) const {
    auto& list = d_->attributes;
    list.erase(std::remove(list.begin(), list.end(), attribute), list.end());
}
