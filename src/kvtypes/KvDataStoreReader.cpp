#include "KvDataStoreReader.h"

#include "KvDataStoreCursor.h"
#include "KvDataStoreFormat.h"
#include "KvDataStoreRegistry.h"

#include <KvEntityType.h>
#include <KvGenre.h>

#include <QFile>

#include <cstring>
#include <limits>

using F = KvDataStoreFormat;
using Cursor = KvDataStoreCursor;

namespace {

// Entity reads nested in each other (records within records, references
// read on the spot). Bounded so that a long chain of forward references
// cannot exhaust the stack.
constexpr int kMaxReadNesting = 400;

KvString quoted(const char* s, size_t n) { return KvString("'") + KvString(s, n) + "'"; }
KvString quoted(const KvString& s) { return quoted(s.getString(), s.length()); }
KvString quoted(const KvDataStore::Key& key) { return quoted(key.c_str(), key.size()); }

inline bool sameBytes(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace

static_assert(F::KindMask == 0x1F && F::EntityBit == 0x20 && F::SharedBit == 0x40, "Entry reads the kind byte");

struct KvDataStoreReader::Tables {
    Bytes bytes;
    std::vector<std::pair<size_t, size_t>> strings;
    std::vector<KvGenre*> objects;
    std::vector<uint8_t> inProgress;
    std::vector<Location> locations;

    size_t footprint() const {
        return bytes.capacity() + strings.capacity() * sizeof(strings[0]) + objects.capacity() * sizeof(objects[0]) +
               inProgress.capacity() + locations.capacity() * sizeof(locations[0]);
    }
};

thread_local std::unique_ptr<KvDataStoreReader::Tables> KvDataStoreReader::spare_;

void KvDataStoreReader::swapTables(Tables& t) {
    bytes_.swap(t.bytes);
    strings_.swap(t.strings);
    objects_.swap(t.objects);
    inProgress_.swap(t.inProgress);
    locations_.swap(t.locations);
}

KvDataStoreReader::KvDataStoreReader(const KvDataStore& store) : store_(store) {}

void KvDataStoreReader::note(const KvString& message) const { store_.note(message); }

bool KvDataStoreReader::damaged(size_t pos, const char* what) {
    if (!damageReported_) {
        damageReported_ = true;
        report(quoted(path_) + " is damaged: " + what + " at offset " +
               KvString::number(static_cast<unsigned long long>(pos)));
    }
    return false;
}

// ------------------------------------------------------------------ open and close

bool KvDataStoreReader::open(const KvString& path) {
    close();
    if (spare_) {
        swapTables(*spare_);
        spare_.reset();
    }
    path_ = path;
    damageReported_ = false;
    if (!readFile(path) || !checkHeader() || !checkStructure()) {
        close();
        return false;
    }
    frames_.push_back(Frame{F::HeaderSize, bodyEnd_, F::HeaderSize, NoKey, nullptr});
    return true;
}

void KvDataStoreReader::close() {
    bytes_.clear();
    d_ = nullptr;
    bodyEnd_ = 0;
    strings_.clear();
    idCount_ = 0;
    frames_.clear();
    floor_ = 1;
    indexed_ = false;
    objects_.clear();
    inProgress_.clear();
    locations_.clear();
    if (!spare_ && bytes_.capacity()) {
        auto spare = std::make_unique<Tables>();
        swapTables(*spare);
        if (spare->footprint() <= (size_t(32) << 20)) spare_ = std::move(spare);
    }
    entryBindings_.clear();
    readStack_.clear();
    altNames_.clear();
    handlers_.clear();
    nesting_ = 0;
}

bool KvDataStoreReader::readFile(const KvString& path) {
    QFile file(path.toQString());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        report(KvString("Cannot open ") + quoted(path) + ": " + KvString::fromQString(file.errorString()));
        return false;
    }
    const qint64 size = file.size();
    bool ok = size >= 0;
    if (ok) bytes_.resize(static_cast<size_t>(size));
    size_t got = 0;
    while (ok && got < bytes_.size()) {  // a file that grows while read is read as it was
        const qint64 n =
            file.read(reinterpret_cast<char*>(bytes_.data() + got), static_cast<qint64>(bytes_.size() - got));
        if (n < 0) ok = false;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    bytes_.resize(got);
    if (!ok || file.error() != QFileDevice::NoError) {
        report(KvString("Cannot read ") + quoted(path) + ": " + KvString::fromQString(file.errorString()));
        return false;
    }
    d_ = bytes_.data();
    return true;
}

bool KvDataStoreReader::checkHeader() {
    const KvString name = quoted(path_);
    const size_t size = bytes_.size();
    if (size < sizeof F::Magic || std::memcmp(d_, F::Magic, sizeof F::Magic) != 0) {
        report(name + " is not a data store file");
        return false;
    }
    if (size < F::HeaderSize) {
        report(name + " is truncated");
        return false;
    }
    const uint32_t format = static_cast<uint32_t>(F::loadLE(d_ + 8, 2));
    if (format > KvDataStore::FormatVersion) {
        report(name + " was written in a newer format (" + KvString::number(format) + "); this program reads " +
               KvString::number(KvDataStore::FormatVersion) + " and older");
        return false;
    }
    const size_t footerSize = F::footerSize(format);
    if (size < F::HeaderSize + footerSize) {
        report(name + " is truncated");
        return false;
    }
    const size_t sumSize = format < 2 ? 8 : 4;
    if (F::checksum(format, d_, size - sumSize) != F::loadLE(d_ + size - sumSize, static_cast<int>(sumSize))) {
        report(name + " is damaged or truncated (checksum mismatch)");
        return false;
    }
    if (format == 0) return damaged(8, "format version 0");
    const size_t footer = size - footerSize;
    const uint64_t tableOffset = F::loadLE(d_ + footer, 8);
    idCount_ = F::loadLE(d_ + footer + 8, 8);
    if (tableOffset < F::HeaderSize || tableOffset > footer) return damaged(footer, "bad string table offset");
    // Every identifier is written at least once, in at least one byte.
    if (idCount_ > tableOffset || idCount_ >= 0xFFFFFFFFu) return damaged(footer + 8, "bad entity count");
    Cursor c(d_, static_cast<size_t>(tableOffset), footer);
    uint64_t n;
    if (!c.count(n)) return damaged(c.pos, "bad string count");
    strings_.reserve(static_cast<size_t>(n));
    for (uint64_t i = 0; i < n; ++i) {
        const uint64_t len = c.varint();
        if (!c.ok || len > c.remaining()) return damaged(c.pos, "bad string");
        strings_.emplace_back(c.pos, static_cast<size_t>(len));
        c.pos += static_cast<size_t>(len);
    }
    if (c.pos != footer) return damaged(c.pos, "string table size");
    version_ = static_cast<uint32_t>(F::loadLE(d_ + 12, 4));
    bodyEnd_ = static_cast<size_t>(tableOffset);
    objects_.assign(static_cast<size_t>(idCount_) + 1, nullptr);
    inProgress_.assign(static_cast<size_t>(idCount_) + 1, 0);
    return true;
}

// Walks every entry of the body once, so that no later read meets a broken
// structure. The one place that parses entries with checks: reads later
// decode them with entryAt.
bool KvDataStoreReader::checkStructure() {
    const uint64_t strings = strings_.size();
    std::vector<std::pair<size_t, size_t>> todo{{F::HeaderSize, bodyEnd_}};
    while (!todo.empty()) {
        const std::pair<size_t, size_t> range = todo.back();
        todo.pop_back();
        Cursor c(d_, range.first, range.second);
        while (c.pos < c.end) {
            Entry e;
            e.pos = c.pos;
            e.kb = c.byte();
            const uint8_t kind = e.kb & F::KindMask;
            if (kind == 0 || kind > F::LastKind || (e.kb & 0x80)) return damaged(e.pos, "bad entry");
            const uint64_t key = c.varint();
            if (e.kb & F::EntityBit) {
                const uint64_t type = c.varint();
                e.id = c.varint();
                if (type >= strings || e.id == 0 || e.id > idCount_) return damaged(e.pos, "bad entity header");
                e.type = static_cast<uint32_t>(type);
            }
            const uint64_t len = c.varint();
            if (!c.ok || key >= strings || len > c.remaining()) return damaged(e.pos, "bad entry header");
            e.key = static_cast<uint32_t>(key);
            e.payload = c.pos;
            e.end = c.pos + static_cast<size_t>(len);
            c.pos = e.end;
            // The common kinds here, the others in checkPayload.
            if (kind == F::Section) {
                todo.emplace_back(e.payload, e.end);
            } else if (kind == F::Int || kind == F::UInt || kind == F::Notch || kind == F::Reference) {
                Cursor v(d_, e.payload, e.end);
                const uint64_t value = v.varint();
                if (!v.ok || (kind == F::Reference && value > idCount_)) return damaged(e.pos, "bad value");
            } else if (kind != F::String && kind != F::NullString && !checkPayload(e, todo)) {
                return false;
            }
        }
    }
    return true;
}

// The payload of an entry of the kinds checkStructure leaves to it.
bool KvDataStoreReader::checkPayload(const Entry& e, std::vector<std::pair<size_t, size_t>>& todo) {
    Cursor c(d_, e.payload, e.end);
    uint64_t n = 0;
    bool fits = true;
    switch (e.kind()) {
        case F::Link:
            n = c.varint();
            fits = n >= 1 && n <= idCount_;
            break;
        case F::Bool:
            c.byte();
            break;
        case F::Double:
            c.skip(8);
            break;
        case F::ReferenceArray:
            if (c.count(n))
                for (uint64_t i = 0; i < n && c.ok && fits; ++i)
                    fits = c.varint() <= idCount_;
            if (c.ok && c.pos < e.end) todo.emplace_back(c.pos, e.end);  // the records kept with it
            break;
        case F::UIntArray:
            if (c.count(n))
                for (uint64_t i = 0; i < n && c.ok; ++i)
                    c.varint();
            break;
        case F::StringArray:
        case F::KeyValueArray:
            if (c.count(n)) {
                if (e.kind() == F::KeyValueArray) n *= 2;
                for (uint64_t i = 0; i < n && c.skipString(); ++i) {
                }
            }
            break;
        case F::FlagArray:
            if (c.count(n, 8)) c.skip((n + 7) / 8);
            break;
        case F::Index2:
            c.varint();
            c.varint();
            break;
        case F::Color:
            c.skip(16);
            break;
        case F::RenderSettings:
            c.skip(16);
            for (int i = 0; i < 10; ++i)
                c.varint();
            break;
        case F::XformMatrix: {
            const uint8_t form = c.byte();
            if (form == 1) c.skip(16 * 8);
            fits = form <= 1;
            break;
        }
        case F::ParamSet:
            if (c.skipString() && c.count(n)) {
                for (uint64_t i = 0; i < n && c.ok; ++i) {
                    uint64_t defs = 0;
                    c.skipString();
                    c.skipString();
                    c.byte();
                    if (c.count(defs))
                        for (uint64_t k = 0; k < defs && c.skipString(); ++k) {
                        }
                }
            }
            break;
    }
    if (!c.ok || !fits) return damaged(e.pos, "bad value");
    return true;
}

// ------------------------------------------------------------------ entries

KvString KvDataStoreReader::keyText(uint32_t idx) const {
    return KvString(reinterpret_cast<const char*>(d_ + strings_[idx].first), strings_[idx].second);
}

std::string_view KvDataStoreReader::keyView(uint32_t idx) const {
    return std::string_view(reinterpret_cast<const char*>(d_ + strings_[idx].first), strings_[idx].second);
}

// The entry under `key` in the current section. Entries are mostly read in
// the order they were written, so the search starts after the last hit; a
// section searched in another order gets an index.
bool KvDataStoreReader::lookup(const Key& key, Entry& e) {
    if (frames_.empty()) return false;
    Frame& f = frames_.back();
    if (f.begin >= f.end) return false;
    if (!f.index) {
        const size_t start = f.cursor < f.end ? f.cursor : f.begin;
        size_t pos = start;
        for (int probe = 0; probe < 8; ++probe) {
            entryAt(pos, e);
            if (strings_[e.key].second == key.size() &&
                sameBytes(reinterpret_cast<const char*>(d_ + strings_[e.key].first), key.c_str(), key.size())) {
                f.cursor = e.end;
                return true;
            }
            pos = e.end < f.end ? e.end : f.begin;
            if (pos == start) return false;
        }
        auto index = std::make_unique<std::unordered_map<std::string_view, size_t>>();
        for (size_t at = f.begin; at < f.end; at = e.end) {
            entryAt(at, e);
            index->emplace(keyView(e.key), at);
        }
        f.index = std::move(index);
    }
    auto it = f.index->find(std::string_view(key.c_str(), key.size()));
    if (it == f.index->end()) return false;
    entryAt(it->second, e);
    f.cursor = e.end;
    return true;
}

bool KvDataStoreReader::wrongKind(const Key& key, const Entry& e, const char* wanted) {
    note(KvString("Entry ") + quoted(key) + " is " + F::kindName(e.kind()) + ", not " + wanted);
    return false;
}

bool KvDataStoreReader::lookupKind(const Key& key, uint8_t kind, Entry& e) {
    if (!lookup(key, e)) return false;
    if (e.kind() == kind) return true;
    return wrongKind(key, e, F::kindName(kind));
}

template <class Fn>
bool KvDataStoreReader::decode(const Entry& e, Fn fn) {
    Cursor c(d_, e.payload, e.end);
    if (!fn(c) || !c.ok) return damaged(e.pos, "bad value");
    return true;
}

bool KvDataStoreReader::hasKey(const Key& key) {
    Entry e;
    return lookup(key, e);
}

bool KvDataStoreReader::enterSection(const Key& key) {
    Entry e;
    if (!lookupKind(key, F::Section, e)) return false;
    frames_.push_back(Frame{e.payload, e.end, e.payload, e.key, nullptr});
    return true;
}

bool KvDataStoreReader::closeSection() {
    if (frames_.size() <= floor_) return false;
    frames_.pop_back();
    return true;
}

kv::vector<KvString> KvDataStoreReader::listKeys() {
    kv::vector<KvString> out;
    if (frames_.empty()) return out;
    const Frame& f = frames_.back();
    std::vector<uint32_t> keys;
    Entry e;
    for (size_t pos = f.begin; pos < f.end; pos = e.end) {
        entryAt(pos, e);
        keys.push_back(e.key);
    }
    out.reserve(keys.size());
    for (uint32_t k : keys)
        out.push_back(keyText(k));
    return out;
}

KvString KvDataStoreReader::where() const {
    KvString where;
    for (size_t i = 1; i < frames_.size(); ++i) {
        if (frames_[i].keyIdx == NoKey) continue;
        if (!where.isEmpty()) where += "/";
        where += keyText(frames_[i].keyIdx);
    }
    return where;
}

KvString KvDataStoreReader::readingName() const {
    for (auto it = readStack_.rbegin(); it != readStack_.rend(); ++it)
        if (!it->empty()) return it->back();
    return KvString();
}

// ------------------------------------------------------------------ entities

KvEntityType* KvDataStoreReader::handlerFor(uint32_t typeIdx) {
    const uint64_t generation = KvDataStoreRegistry::generation();
    if (generation != handlerGeneration_) {
        handlerGeneration_ = generation;
        handlers_.clear();
    }
    for (const auto& known : handlers_)
        if (known.first == typeIdx) return known.second;
    handlers_.emplace_back(typeIdx, KvDataStoreRegistry::resolve(keyText(typeIdx).str()));
    return handlers_.back().second;
}

bool KvDataStoreReader::readEntity(const Key& key, KvGenre*& entity, bool shared) {
    entity = nullptr;
    Entry e;
    if (!lookup(key, e)) return false;
    if (e.kind() != F::Link && !e.isEntity() && !entryBindings_.count(e.pos)) return wrongKind(key, e, "an entity");
    return readEntityEntry(e, key.c_str(), shared, entity);
}

bool KvDataStoreReader::readEntityEntry(const Entry& e, const char* key, bool shared, KvGenre*& out) {
    out = nullptr;
    if (!entryBindings_.empty()) {
        auto bound = entryBindings_.find(e.pos);
        if (bound != entryBindings_.end()) {
            out = bound->second;
            return true;
        }
    }
    if (e.kind() == F::Link) {
        Cursor c(d_, e.payload, e.end);
        return resolve(c.varint(), true, out);
    }
    const bool identity = shared && e.isShared();
    if (identity && objects_[e.id]) {
        out = objects_[e.id];
        return true;
    }
    if (identity && inProgress_[e.id]) {
        report(KvString("Circular reference to the entity stored under ") + quoted(key, std::strlen(key)));
        return false;
    }
    KvEntityType* handler = handlerFor(e.type);
    if (!handler) {
        report(KvString("No entity handler for type ") + quoted(keyText(e.type)));
        return false;
    }
    if (nesting_ >= kMaxReadNesting) {
        report(KvString("Entities nested too deeply under ") + quoted(key, std::strlen(key)));
        return false;
    }

    frames_.back().cursor = e.pos;  // the handler looks the key up again
    const size_t depth = frames_.size();
    const size_t savedFloor = floor_;
    floor_ = depth;
    if (identity) inProgress_[e.id] = 1;
    readStack_.emplace_back();
    ++nesting_;
    std::vector<KvString> names;
    auto cleanup = [&] {
        --nesting_;
        names.swap(readStack_.back());
        readStack_.pop_back();
        if (identity) inProgress_[e.id] = 0;
        frames_.erase(frames_.begin() + static_cast<ptrdiff_t>(depth), frames_.end());  // left open
        frames_.back().cursor = e.end;
        floor_ = savedFloor;
    };
    KvGenre* entity = nullptr;
    bool ok;
    try {
        ok = handler->read(store_, key, entity);
    } catch (...) {
        cleanup();
        throw;
    }
    cleanup();
    if (ok && entity) {
        if (identity)
            objects_[e.id] = entity;
        else if (shared)
            entryBindings_[e.pos] = entity;
        for (const KvString& n : names)
            altNames_[n.str()] = entity;
    }
    out = entity;
    return ok;
}

// Notes where the shared record of each entity is (the first, should a
// damaged file hold two), for references read before their records.
void KvDataStoreReader::indexRecords() {
    indexed_ = true;
    locations_.assign(static_cast<size_t>(idCount_) + 1, Location());
    std::vector<std::pair<size_t, size_t>> todo{{F::HeaderSize, bodyEnd_}};
    while (!todo.empty()) {
        const std::pair<size_t, size_t> range = todo.back();
        todo.pop_back();
        Entry e;
        for (size_t pos = range.first; pos < range.second; pos = e.end) {
            entryAt(pos, e);
            if (e.isShared() && !locations_[e.id].pos) locations_[e.id] = {pos, range.first, range.second};
            if (e.kind() == F::Section) {
                todo.emplace_back(e.payload, e.end);
            } else if (e.kind() == F::ReferenceArray) {  // records kept after the identifiers
                Cursor c(d_, e.payload, e.end);
                for (uint64_t n = c.varint(); n > 0 && c.ok; --n)
                    c.varint();
                if (c.ok && c.pos < e.end) todo.emplace_back(c.pos, e.end);
            }
        }
    }
}

// The entity of identifier `id`; with `forward`, its record is read now when
// it was not read yet. A file without the record gives null.
bool KvDataStoreReader::resolve(uint64_t id, bool forward, KvGenre*& out) {
    out = nullptr;
    if (id == 0) return true;
    if (id > idCount_) return damaged(0, "reference to an unknown entity");
    if (objects_[id]) {
        out = objects_[id];
        return true;
    }
    if (!forward) return true;
    if (inProgress_[id]) {
        report("Circular reference between entities");
        return false;
    }
    if (!indexed_) indexRecords();
    const Location loc = locations_[id];
    if (!loc.pos) return true;
    Entry e;
    entryAt(loc.pos, e);
    const size_t depth = frames_.size();
    frames_.push_back(Frame{loc.begin, loc.end, loc.pos, NoKey, nullptr});
    const std::string key = keyText(e.key).str();
    const bool ok = readEntityEntry(e, key.c_str(), true, out);
    frames_.erase(frames_.begin() + static_cast<ptrdiff_t>(depth), frames_.end());
    return ok;
}

bool KvDataStoreReader::bindKey(const Key& key, KvGenre* entity) {
    Entry e;
    if (!lookup(key, e)) return false;
    if (e.isShared())
        objects_[e.id] = entity;
    else
        entryBindings_[e.pos] = entity;
    return true;
}

bool KvDataStoreReader::bindIdentifier(const KvString& identifier, KvGenre* entity) {
    unsigned long long id = 0;
    if (!identifier.getUint64(id) || id < 1 || id > idCount_) return false;
    objects_[static_cast<size_t>(id)] = entity;
    return true;
}

KvString KvDataStoreReader::identifier(const KvGenre* entity) const {
    for (size_t id = 1; id < objects_.size(); ++id)
        if (objects_[id] == entity) return KvString::number(static_cast<unsigned long long>(id));
    return KvString("");
}

void KvDataStoreReader::pushAlternateName(const KvString& name) {
    if (!readStack_.empty() && !name.isNull()) readStack_.back().push_back(name);
}

KvGenre* KvDataStoreReader::findByAlternateName(const KvString& name) const {
    auto it = altNames_.find(name.str());
    return it == altNames_.end() ? nullptr : it->second;
}

bool KvDataStoreReader::readIds(const Entry& e, std::vector<uint64_t>& out) {
    return decode(e, [&](Cursor& c) {
        uint64_t n;
        if (!c.count(n)) return false;
        out.reserve(static_cast<size_t>(n));
        for (uint64_t i = 0; i < n && c.ok; ++i)
            out.push_back(c.varint());
        return c.ok;
    });
}

bool KvDataStoreReader::readReference(const Key& key, KvGenre*& entity) {
    entity = nullptr;
    Entry e;
    if (!lookupKind(key, F::Reference, e)) return false;
    Cursor c(d_, e.payload, e.end);
    return resolve(c.varint(), true, entity);
}

bool KvDataStoreReader::readReferenceArray(const Key& key, kv::vector<KvGenre*>& entities, bool forward) {
    entities.clear();
    Entry e;
    std::vector<uint64_t> ids;
    if (!lookupKind(key, F::ReferenceArray, e) || !readIds(e, ids)) return false;
    entities.reserve(ids.size());
    for (uint64_t id : ids) {
        KvGenre* entity = nullptr;
        if (!resolve(id, forward, entity)) return false;
        entities.push_back(entity);
    }
    return true;
}

// ------------------------------------------------------------------ values

bool KvDataStoreReader::readBool(const Key& key, bool& value) {
    Entry e;
    if (!lookupKind(key, F::Bool, e)) return false;
    value = d_[e.payload] != 0;
    return true;
}

// An integer entry as sign and magnitude, whichever kind holds it.
bool KvDataStoreReader::readInteger(const Key& key, const Entry& e, bool& negative, uint64_t& magnitude) {
    if (e.kind() != F::Int && e.kind() != F::UInt) return wrongKind(key, e, "an integer");
    Cursor c(d_, e.payload, e.end);
    const uint64_t raw = c.varint();
    if (e.kind() == F::UInt) {
        negative = false;
        magnitude = raw;
    } else {
        const long long v = F::unzigzag(raw);
        negative = v < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    }
    return true;
}

bool KvDataStoreReader::readSigned(const Key& key, long long& value, long long min, long long max) {
    Entry e;
    bool negative = false;
    uint64_t m = 0;
    if (!lookup(key, e) || !readInteger(key, e, negative, m)) return false;
    const bool fits = negative ? m <= 0 - static_cast<uint64_t>(min) : m <= static_cast<uint64_t>(max);
    if (!fits) {
        note(KvString("Entry ") + quoted(key) + " holds an integer out of the range read");
        return false;
    }
    value = negative ? static_cast<long long>(0 - m) : static_cast<long long>(m);
    return true;
}

bool KvDataStoreReader::readUnsigned(const Key& key, uint64_t& value, uint64_t max) {
    Entry e;
    bool negative = false;
    uint64_t m = 0;
    if (!lookup(key, e) || !readInteger(key, e, negative, m)) return false;
    if (negative || m > max) {
        note(KvString("Entry ") + quoted(key) + " holds an integer out of the range read");
        return false;
    }
    value = m;
    return true;
}

bool KvDataStoreReader::readDouble(const Key& key, double& value) {
    Entry e;
    if (!lookup(key, e)) return false;
    if (e.kind() == F::Double) {
        Cursor c(d_, e.payload, e.end);
        value = c.dbl();
        return true;
    }
    bool negative = false;
    uint64_t m = 0;
    if (!readInteger(key, e, negative, m)) return false;
    value = negative ? -static_cast<double>(m) : static_cast<double>(m);
    return true;
}

bool KvDataStoreReader::readString(const Key& key, KvString& value) {
    Entry e;
    if (!lookup(key, e)) return false;
    if (e.kind() == F::NullString) {
        value = KvString();
        return true;
    }
    if (e.kind() != F::String) return wrongKind(key, e, "a string");
    value = KvString(reinterpret_cast<const char*>(d_ + e.payload), e.end - e.payload);
    return true;
}

// A count, then that many elements that `one` decodes and appends.
template <class Array, class One>
bool KvDataStoreReader::readArray(const Key& key, uint8_t kind, Array& values, One one) {
    Entry e;
    if (!lookupKind(key, kind, e)) return false;
    Array out;
    if (!decode(e, [&](Cursor& c) {
            uint64_t n;
            if (!c.count(n)) return false;
            out.reserve(static_cast<size_t>(n));
            for (uint64_t i = 0; i < n; ++i)
                if (!one(c, out)) return false;
            return c.ok;
        }))
        return false;
    values.swap(out);
    return true;
}

bool KvDataStoreReader::readUInt32Array(const Key& key, kv::vector<uint32_t>& values) {
    bool fits = true;
    kv::vector<uint32_t> read;
    if (!readArray(key, F::UIntArray, read, [&](Cursor& c, kv::vector<uint32_t>& out) {
            const uint64_t v = c.varint();
            fits = fits && v <= 0xFFFFFFFFu;
            out.push_back(static_cast<uint32_t>(v));
            return c.ok;
        }))
        return false;
    if (!fits) {
        note(KvString("Entry ") + quoted(key) + " holds an integer out of the range read");
        return false;
    }
    values.swap(read);
    return true;
}

bool KvDataStoreReader::readStringArray(const Key& key, KvStringArray& values) {
    return readArray(key, F::StringArray, values, [](Cursor& c, KvStringArray& out) {
        KvString v;
        if (!c.string(v)) return false;
        out.push_back(v);
        return true;
    });
}

bool KvDataStoreReader::readKeyValueArray(const Key& key, KvKeyValueArray& values) {
    return readArray(key, F::KeyValueArray, values, [](Cursor& c, KvKeyValueArray& out) {
        KvKeyValue v;
        if (!c.string(v.first) || !c.string(v.second)) return false;
        out.push_back(v);
        return true;
    });
}

bool KvDataStoreReader::readFlagArray(const Key& key, kv::vector<bool>& values) {
    Entry e;
    if (!lookupKind(key, F::FlagArray, e)) return false;
    kv::vector<bool> out;
    if (!decode(e, [&](Cursor& c) {
            uint64_t n;
            if (!c.count(n, 8)) return false;
            out.reserve(static_cast<size_t>(n));
            uint8_t bits = 0;
            for (uint64_t i = 0; i < n && c.ok; ++i) {
                if (i % 8 == 0) bits = c.byte();
                out.push_back((bits >> (i % 8)) & 1);
            }
            return c.ok;
        }))
        return false;
    values.swap(out);
    return true;
}

bool KvDataStoreReader::readIndex2(const Key& key, KvIndex2& value) {
    Entry e;
    if (!lookupKind(key, F::Index2, e)) return false;
    Cursor c(d_, e.payload, e.end);
    const uint64_t i = c.varint();
    value.set(i, c.varint());
    return true;
}

namespace {
KvColor getColor(Cursor& c) {
    const float r = c.flt(), g = c.flt(), b = c.flt(), a = c.flt();
    return KvColor(r, g, b, a);
}
}  // namespace

bool KvDataStoreReader::readColor(const Key& key, KvColor& value) {
    Entry e;
    if (!lookupKind(key, F::Color, e)) return false;
    Cursor c(d_, e.payload, e.end);
    value = getColor(c);
    return true;
}

bool KvDataStoreReader::readRenderSettings(const Key& key, KvRenderSettings& value) {
    Entry e;
    if (!lookupKind(key, F::RenderSettings, e)) return false;
    Cursor c(d_, e.payload, e.end);
    KvRenderSettings v;
    v.setSecondaryColor(getColor(c));
    uint64_t x[10];
    for (uint64_t& xi : x)
        xi = c.varint();
    v.setColorMode(static_cast<uint32_t>(x[0]));
    v.setSecondaryColorMode(static_cast<uint32_t>(x[1]));
    v.setDisplayStyle(static_cast<uint32_t>(x[2]));
    v.setRenderMode(static_cast<uint32_t>(x[3]));
    v.setIsolines(KvIndex2(x[4], x[5]));
    v.setTriangleDensity(static_cast<uint32_t>(x[6]));
    v.setLineDensity(KvIndex2(x[7], x[8]));
    v.setLineWidth(static_cast<uint32_t>(x[9]));
    value = v;  // fields added later follow and are skipped
    return true;
}

bool KvDataStoreReader::readXformMatrix(const Key& key, KvXformMatrix& value) {
    Entry e;
    if (!lookupKind(key, F::XformMatrix, e)) return false;
    Cursor c(d_, e.payload, e.end);
    if (c.byte() == 0) {
        value = KvXformMatrix();
        return true;
    }
    double m[16];
    for (double& x : m)
        x = c.dbl();
    value = KvXformMatrix(m);
    return true;
}

bool KvDataStoreReader::readParamSet(const Key& key, KvParamSet& value) {
    Entry e;
    if (!lookupKind(key, F::ParamSet, e)) return false;
    return decode(e, [&](Cursor& c) {
        KvString name;
        uint64_t n;
        if (!c.string(name) || !c.count(n)) return false;
        KvParamSet set(name);
        KvString text;
        for (uint64_t i = 0; i < n; ++i) {
            KvParam param;
            if (!c.string(text)) return false;
            param.setName(text);
            if (!c.string(text)) return false;
            param.setValue(text);
            param.setModified(c.byte() != 0);
            uint64_t defs;
            if (!c.count(defs)) return false;
            KvStringArray definition;
            definition.reserve(static_cast<size_t>(defs));
            for (uint64_t k = 0; k < defs; ++k) {
                if (!c.string(text)) return false;
                definition.push_back(text);
            }
            param.setDefinition(definition);
            set.set(param);
        }
        value = set;
        return c.ok;
    });
}

bool KvDataStoreReader::readNotch(const Key& key, uint64_t& value) {
    Entry e;
    if (!lookupKind(key, F::Notch, e)) return false;
    Cursor c(d_, e.payload, e.end);
    value = c.varint();
    return true;
}
