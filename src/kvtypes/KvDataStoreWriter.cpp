#include "KvDataStoreWriter.h"

#include "KvDataStoreFormat.h"
#include "KvDataStoreRegistry.h"

#include <KvEntityType.h>
#include <KvGenre.h>

#include <QCoreApplication>
#include <QDir>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>

using F = KvDataStoreFormat;

namespace {

KvString quoted(const char* s, size_t n) { return KvString("'") + KvString(s, n) + "'"; }
KvString quoted(const KvString& s) { return quoted(s.getString(), s.length()); }

// Puts `from` in the place of `to` in one step.
bool replaceFile(const QString& from, const QString& to) {
#ifdef _WIN32
    return MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

// Keys are short: two overlapping loads from each end beat a call to
// memcmp and a loop over the bytes.
template <class T>
inline bool sameEnds(const char* a, const char* b, size_t n) {
    T a0, a1, b0, b1;
    std::memcpy(&a0, a, sizeof(T));
    std::memcpy(&b0, b, sizeof(T));
    std::memcpy(&a1, a + n - sizeof(T), sizeof(T));
    std::memcpy(&b1, b + n - sizeof(T), sizeof(T));
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}
inline bool sameBytes(const char* a, const char* b, size_t n) {
    if (n >= 8) {
        if (n <= 16) return sameEnds<uint64_t>(a, b, n);
        return std::memcmp(a, b, n) == 0;
    }
    if (n >= 4) return sameEnds<uint32_t>(a, b, n);
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

template <class Fn>
struct ScopeExit {
    Fn fn;
    ~ScopeExit() { fn(); }
};
template <class Fn>
ScopeExit<Fn> onExit(Fn fn) {
    return ScopeExit<Fn>{std::move(fn)};
}

}  // namespace

KvDataStoreWriter::KvDataStoreWriter(const KvDataStore& store, const bool& failed) : store_(store), failed_(failed) {}

KvDataStoreWriter::~KvDataStoreWriter() { abandon(); }

// ------------------------------------------------------------------ bytes

void KvDataStoreWriter::putBytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    ensure(n < 16 ? 16 : n);
    if (n >= 8 && n <= 16) {  // names and keys: two overlapping words, no call
        uint64_t head, tail;
        std::memcpy(&head, b, 8);
        std::memcpy(&tail, b + n - 8, 8);
        std::memcpy(w_, &head, 8);
        std::memcpy(w_ + n - 8, &tail, 8);
    } else if (n) {
        std::memcpy(w_, b, n);
    }
    w_ += n;
}

void KvDataStoreWriter::putLE(uint64_t v, int bytes) {
    uint8_t tmp[8];
    for (int i = 0; i < bytes; ++i)
        tmp[i] = static_cast<uint8_t>(v >> (8 * i));
    putBytes(tmp, static_cast<size_t>(bytes));
}

void KvDataStoreWriter::putDouble(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    putLE(u, 8);
}

void KvDataStoreWriter::putColor(const KvColor& c) {
    for (float f : {c.red(), c.green(), c.blue(), c.alpha()}) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        putLE(u, 4);
    }
}

void KvDataStoreWriter::putString(const KvString& s) {
    if (s.isNull()) {
        put(0);
    } else {
        putVarint(s.length() + 1);
        putBytes(s.getString(), s.length());
    }
}

size_t KvDataStoreWriter::beginPayload() {
    put(0);
    return pos() - 1;
}

// The length takes one byte unless it needs more: then what follows moves.
void KvDataStoreWriter::endPayload(size_t lenPos) {
    const size_t end = pos();
    if (end - lenPos - 1 < 0x80) {  // most sections are short
        t_->out[lenPos] = static_cast<uint8_t>(end - lenPos - 1);
        return;
    }
    uint8_t tmp[10];
    const size_t n = F::encodeVarint(end - lenPos - 1, tmp);
    if (n > 1) {
        ensure(n - 1);
        uint8_t* base = t_->out.data();
        std::memmove(base + lenPos + n, base + lenPos + 1, end - lenPos - 1);
        w_ += n - 1;
    }
    std::memcpy(t_->out.data() + lenPos, tmp, n);
}

// ------------------------------------------------------------------ file

namespace {
constexpr size_t kMaxSpareFootprint = size_t(32) << 20;
}  // namespace

thread_local std::unique_ptr<KvDataStoreWriter::Tables> KvDataStoreWriter::spare_;

void KvDataStoreWriter::Tables::clear() {
    keys.clear();  // `out` keeps its size: the writer overwrites it
    ids.clear();
    stored.assign(1, 0);  // identifiers start at 1
    keyMark.clear();
    openSerial.assign(1, 0);  // serials start at 1
}

size_t KvDataStoreWriter::Tables::footprint() const {
    return out.capacity() + keys.footprint() + ids.footprint() + stored.capacity() + keyMark.capacity() * 4 +
           openSerial.capacity();
}

bool KvDataStoreWriter::start(const KvString& path) {
    abandon();
    t_ = spare_ ? std::move(spare_) : std::make_unique<Tables>();
    t_->clear();
    t_->keys.reserve(t_->lastKeys);
    t_->ids.reserve(t_->lastIds);
    w_ = wend_ = t_->out.data();
    wend_ += t_->out.size();
    path_ = path;
    file_.setFileName(path.toQString() + ".kvtmp-" + QString::number(QCoreApplication::applicationPid()));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        report(KvString("Cannot write ") + quoted(path) + ": " + KvString::fromQString(file_.errorString()));
        return false;
    }
    putBytes(F::Magic, sizeof F::Magic);
    putLE(KvDataStore::FormatVersion, 2);
    putLE(0, 2);
    putLE(0, 4);  // the store version, filled in by finish()
    pushFrame(NoPos, NoKey, false);
    return true;
}

bool KvDataStoreWriter::finish(uint32_t version) {
    while (depth_ > 1)
        popFrame();  // sections left open
    bool ok = canWrite() && file_.isOpen();
    if (ok) {
        const size_t tableOffset = pos();
        putVarint(t_->keys.size());
        for (uint32_t i = 0; i < t_->keys.size(); ++i) {
            const std::string_view text = t_->keys.get(i);
            putVarint(text.size());
            putBytes(text.data(), text.size());
        }
        putLE(tableOffset, 8);
        putLE(t_->ids.count(), 8);
        for (int i = 0; i < 4; ++i)
            t_->out[12 + i] = static_cast<uint8_t>(version >> (8 * i));
        putLE(F::checksum(KvDataStore::FormatVersion, t_->out.data(), pos()), 4);
        const qint64 size = static_cast<qint64>(pos());
        if (file_.write(reinterpret_cast<const char*>(t_->out.data()), size) != size) {
            report(KvString("Cannot write ") + quoted(path_) + ": " + KvString::fromQString(file_.errorString()));
            ok = false;
        }
    }
    if (ok) {
        file_.close();
        // Not forced to disk: a save costs what writing any file costs.
        const QString target = path_.toQString();
        if (QFile::exists(target)) file_.setPermissions(QFile::permissions(target));
        if (!replaceFile(file_.fileName(), target)) {
            ok = false;
            report(KvString("Cannot write ") + quoted(path_) + ": cannot replace the file");
        }
    }
    if (!ok && file_.isOpen()) file_.close();
    if (!ok) file_.remove();
    abandon();
    return ok;
}

void KvDataStoreWriter::abandon() {
    if (file_.isOpen()) {
        file_.close();
        file_.remove();
    }
    for (KeyCacheSlot& slot : keyCache_)
        slot = KeyCacheSlot();
    markLog_.clear();
    nextSerial_ = 1;
    depth_ = 0;
    floor_ = 1;
    pending_.clear();
    handlers_.clear();
    lastType_ = nullptr;
    if (t_ && !spare_ && t_->footprint() <= kMaxSpareFootprint) {
        t_->lastKeys = t_->keys.size();
        t_->lastIds = t_->ids.count();
        t_->clear();
        spare_ = std::move(t_);
    }
    t_.reset();
    w_ = wend_ = nullptr;
}

void KvDataStoreWriter::grow(size_t n) {
    const size_t used = pos();
    std::vector<uint8_t>& out = t_->out;
    out.resize(std::max({used + n, out.size() * 2, size_t(64) << 10}));
    w_ = out.data() + used;
    wend_ = out.data() + out.size();
}

KvString KvDataStoreWriter::where() const {
    KvString where;
    for (size_t i = 1; i < depth_; ++i) {
        if (frames_[i].keyIdx == NoKey) continue;
        if (!where.isEmpty()) where += "/";
        const std::string_view key = t_->keys.get(frames_[i].keyIdx);
        where += KvString(key.data(), key.size());
    }
    return where;
}

// ------------------------------------------------------------------ keys and sections

// Called for every entry: the cache hit stays in the caller.
inline uint32_t KvDataStoreWriter::internKey(const Key& key, const KvDataStoreKeyPool::Hash* hash) {
    // Scrambled: string literals lie a few bytes apart.
    KeyCacheSlot& slot = keyCache_[(uint64_t(reinterpret_cast<uintptr_t>(key.c_str())) * 0x9E3779B97F4A7C15ULL) >> 58];
    const size_t n = key.size();
    if (slot.text == key.c_str() && slot.size == n &&
        sameBytes(n <= sizeof slot.head ? slot.head : t_->keys.get(slot.idx).data(), key.c_str(), n))
        return slot.idx;
    return internNewKey(key, hash, slot);
}

uint32_t KvDataStoreWriter::internNewKey(const Key& key, const KvDataStoreKeyPool::Hash* hash, KeyCacheSlot& slot) {
    const size_t n = key.size();
    bool isNew;
    const uint32_t idx = hash ? t_->keys.intern(key.c_str(), n, *hash, isNew) : t_->keys.intern(key.c_str(), n, isNew);
    if (isNew) t_->keyMark.push_back(0);
    slot.text = n <= 0xFFFFFFFFu ? key.c_str() : nullptr;
    slot.size = static_cast<uint32_t>(n);
    slot.idx = idx;
    std::memcpy(slot.head, key.c_str(), std::min(n, sizeof slot.head));
    return idx;
}

inline bool KvDataStoreWriter::useKey(Frame& f, uint32_t k) {
    uint32_t& mark = t_->keyMark[k];
    if (mark == f.serial) return false;
    if (mark && t_->openSerial[mark]) markLog_.emplace_back(k, mark);  // only open sections' marks come back
    mark = f.serial;
    f.keys.push_back(k);
    return true;
}

void KvDataStoreWriter::pushFrame(size_t lenPos, uint32_t keyIdx, bool embedded) {
    if (frames_.size() <= depth_) frames_.emplace_back();
    Frame& f = frames_[depth_++];
    f.lenPos = lenPos;
    f.contentStart = pos();
    f.keyIdx = keyIdx;
    f.serial = nextSerial_++;
    t_->openSerial.push_back(1);
    f.markLogStart = markLog_.size();
    f.embedded = embedded;
    f.lastEntryPos = NoPos;
    f.lastKey = NoKey;
    f.keys.clear();
}

void KvDataStoreWriter::popFrame() {
    Frame& f = frames_[--depth_];
    t_->openSerial[f.serial] = 0;
    if (f.lenPos != NoPos) endPayload(f.lenPos);
    while (markLog_.size() > f.markLogStart) {
        t_->keyMark[markLog_.back().first] = markLog_.back().second;
        markLog_.pop_back();
    }
}

bool KvDataStoreWriter::hasKey(const Key& key) const {
    uint32_t k;
    return t_->keys.find(key.c_str(), key.size(), k) && t_->keyMark[k] == frames_[depth_ - 1].serial;
}

bool KvDataStoreWriter::openSection(const Key& key, bool shared) {
    if (!beginEntry(F::Section, key, shared ? 1 : 0)) return false;
    const uint32_t k = frames_[depth_ - 1].lastKey;
    pushFrame(beginPayload(), k, false);
    return true;
}

bool KvDataStoreWriter::closeSection() {
    if (depth_ <= floor_ || frames_[depth_ - 1].embedded) return false;
    popFrame();
    return true;
}

kv::vector<KvString> KvDataStoreWriter::listKeys() const {
    kv::vector<KvString> out;
    const std::vector<uint32_t>& keys = frames_[depth_ - 1].keys;
    out.reserve(keys.size());
    for (uint32_t k : keys) {
        const std::string_view text = t_->keys.get(k);
        out.push_back(KvString(text.data(), text.size()));
    }
    return out;
}

// Writes the header of a new entry in the current section; an entry that is
// the record of the entity being written gets the entity header. `shared`
// < 0 takes the entity's flag. Inlined into each writer of a value: the
// call, with all the registers it saved, was a tenth of an entry's work.
KV_DS_HOT bool KvDataStoreWriter::beginEntry(uint8_t kind, const Key& key, int shared) {
    if (!canWrite()) return false;
    Frame& f = frames_[depth_ - 1];
    const uint32_t k = internKey(key);
    if (!useKey(f, k)) {
        report(KvString("Duplicate key ") + quoted(key.c_str(), key.size()));
        return false;
    }
    ensure(HeadRoom);
    f.lastEntryPos = pos();
    f.lastKey = k;
    PendingEntity* pe = pending_.empty() ? nullptr : &pending_.back();
    if (pe && !pe->consumed && pe->depth == depth_ && pe->keyIdx == k) {
        bool sh = shared < 0 ? pe->shared : shared != 0;
        if (sh && t_->stored[pe->id]) sh = false;  // it has its shared record already
        if (sh) t_->stored[pe->id] = 1;
        const uint8_t kb = static_cast<uint8_t>(kind | F::EntityBit | (sh ? F::SharedBit : 0));
        f.lastEntryKind = kb;
        f.lastEntryId = pe->id;
        const uint32_t type = pe->typeIdx;
        const uint32_t id = pe->id;
        pe->consumed = true;
        uint8_t* w = w_;
        *w++ = kb;
        w = putVarintAt(w, k);
        w = putVarintAt(w, type);
        w_ = putVarintAt(w, id);
    } else {
        f.lastEntryKind = kind;
        uint8_t* w = w_;
        *w++ = kind;
        w_ = putVarintAt(w, k);
    }
    return true;
}

bool KvDataStoreWriter::writeVarintEntry(uint8_t kind, const Key& key, uint64_t value) {
    if (!beginEntry(kind, key)) return false;
    uint8_t* const lenAt = w_;
    w_ = putVarintAt(lenAt + 1, value);
    *lenAt = static_cast<uint8_t>(w_ - lenAt - 1);  // 10 at most
    return true;
}

// ------------------------------------------------------------------ entities

uint32_t KvDataStoreWriter::idFor(const KvGenre* entity) {
    bool isNew;
    const uint32_t id = t_->ids.insert(entity, isNew);
    if (isNew) t_->stored.push_back(0);
    return id;
}

KvDataStoreWriter::Handler KvDataStoreWriter::handlerFor(const KvTypeId& type) {
    const uint64_t generation = KvDataStoreRegistry::generation();
    if (generation != handlerGeneration_) {
        handlerGeneration_ = generation;
        handlers_.clear();
        lastType_ = nullptr;
    }
    if (type.data() == lastType_ && lastType_) return lastHandler_;
    auto it = handlers_.find(type.data());
    if (it == handlers_.end()) {
        const KvDataStoreRegistry::Resolved r = KvDataStoreRegistry::resolve(type);
        Handler h;
        h.handler = r.handler;
        if (r.handler) h.typeIdx = internKey(Key(r.name));
        it = handlers_.emplace(type.data(), h).first;
    }
    lastType_ = type.data();
    lastHandler_ = it->second;
    return it->second;
}

bool KvDataStoreWriter::writeEntity(const Key& key, const KvGenre* entity, bool shared) {
    if (!canWrite()) return false;
    // The key and the entity are mostly new to the tables: load both slots
    // at once rather than wait for one after the other.
    const KvDataStoreKeyPool::Hash keyHash = KvDataStoreKeyPool::hash(key.c_str(), key.size());
    t_->keys.prefetch(keyHash);
    t_->ids.prefetch(entity);
    const Handler h = handlerFor(entity->getTypeId());
    const uint32_t id = idFor(entity);
    if (shared && t_->stored[id]) return writeVarintEntry(F::Link, key, id);
    if (!h.handler) {
        report(KvString("No entity handler for type ") + quoted(entity->getTypeId().getName()));
        return false;
    }
    // Field by field: a pushed temporary was built on the stack in parts
    // and read back whole, which stalled on every entity.
    const uint32_t keyIdx = internKey(key, &keyHash);
    PendingEntity& pe = pending_.emplace_back();
    pe.depth = depth_;
    pe.keyIdx = keyIdx;
    pe.typeIdx = h.typeIdx;
    pe.id = id;
    pe.shared = shared;
    pe.consumed = false;
    const size_t depth = depth_;
    const size_t slot = pending_.size() - 1;
    auto done = onExit([&] {
        pending_.resize(slot);
        while (depth_ > depth)
            popFrame();  // sections the handler left open
    });
    const bool ok = h.handler->write(const_cast<KvDataStore&>(store_), key.c_str(), shared, entity);
    return ok && canWrite() && pending_[slot].consumed;  // a handler that wrote nothing failed
}

bool KvDataStoreWriter::completeEntry(const Key& key, bool shared) {
    Frame& f = frames_[depth_ - 1];
    uint32_t k;
    if (!t_->keys.find(key.c_str(), key.size(), k) || f.lastKey != k || !(f.lastEntryKind & F::EntityBit)) return false;
    const uint8_t old = f.lastEntryKind;
    if (((old & F::SharedBit) != 0) == shared) return true;
    if (shared && t_->stored[f.lastEntryId]) return false;  // another record is the shared one
    t_->stored[f.lastEntryId] = shared ? 1 : 0;
    f.lastEntryKind = static_cast<uint8_t>(shared ? old | F::SharedBit : old & ~F::SharedBit);
    t_->out[f.lastEntryPos] = f.lastEntryKind;
    return true;
}

KvString KvDataStoreWriter::identifier(const KvGenre* entity) const {
    const uint32_t id = t_->ids.find(entity);
    return id && t_->stored[id] ? KvString::number(id) : KvString("");
}

bool KvDataStoreWriter::writeReference(const Key& key, const KvGenre* entity) {
    if (!canWrite()) return false;
    return writeVarintEntry(F::Reference, key, entity ? idFor(entity) : 0);
}

bool KvDataStoreWriter::writeReferenceArray(const Key& key, const kv::vector<const KvGenre*>& entities, bool embed) {
    if (!beginEntry(F::ReferenceArray, key)) return false;
    const size_t lenPos = beginPayload();
    pushFrame(lenPos, frames_[depth_ - 1].lastKey, true);
    const size_t arrayDepth = depth_ - 1;
    putVarint(entities.size());
    for (const KvGenre* e : entities)
        putVarint(e ? idFor(e) : 0);
    bool ok = true;
    if (embed) {
        const size_t savedFloor = floor_;
        floor_ = depth_;
        auto restore = onExit([&] { floor_ = savedFloor; });
        char name[24];
        for (size_t i = 0; i < entities.size() && ok; ++i) {
            const KvGenre* e = entities[i];
            if (!e || t_->stored[idFor(e)]) continue;
            std::snprintf(name, sizeof name, "%zu", i);
            ok = writeEntity(Key(name), e, true);
        }
    }
    while (depth_ > arrayDepth)
        popFrame();
    return ok && canWrite();
}

// ------------------------------------------------------------------ values

bool KvDataStoreWriter::writeBool(const Key& key, bool value) {
    if (!beginEntry(F::Bool, key)) return false;
    *w_++ = 1;
    *w_++ = value ? 1 : 0;
    return true;
}

bool KvDataStoreWriter::writeInt(const Key& key, long long value) {
    return writeVarintEntry(F::Int, key, F::zigzag(value));
}

bool KvDataStoreWriter::writeUInt(const Key& key, uint64_t value) { return writeVarintEntry(F::UInt, key, value); }

bool KvDataStoreWriter::writeNotch(const Key& key, uint64_t value) { return writeVarintEntry(F::Notch, key, value); }

bool KvDataStoreWriter::writeDouble(const Key& key, double value) {
    if (!beginEntry(F::Double, key)) return false;
    put(8);
    putDouble(value);
    return true;
}

bool KvDataStoreWriter::writeString(const Key& key, const KvString& value) {
    if (!beginEntry(value.isNull() ? F::NullString : F::String, key)) return false;
    putVarint(value.length());
    putBytes(value.getString(), value.length());
    return true;
}

// A count, then each element as `one` writes it.
template <class Array, class One>
bool KvDataStoreWriter::writeArray(const Key& key, uint8_t kind, const Array& values, One one) {
    if (!beginEntry(kind, key)) return false;
    const size_t p = beginPayload();
    putVarint(values.size());
    for (const auto& v : values)
        one(v);
    endPayload(p);
    return true;
}

bool KvDataStoreWriter::writeUInt32Array(const Key& key, const kv::vector<uint32_t>& values) {
    return writeArray(key, F::UIntArray, values, [this](uint32_t v) { putVarint(v); });
}

bool KvDataStoreWriter::writeStringArray(const Key& key, const KvStringArray& values) {
    return writeArray(key, F::StringArray, values, [this](const KvString& v) { putString(v); });
}

bool KvDataStoreWriter::writeKeyValueArray(const Key& key, const KvKeyValueArray& values) {
    return writeArray(key, F::KeyValueArray, values, [this](const KvKeyValue& v) {
        putString(v.first);
        putString(v.second);
    });
}

bool KvDataStoreWriter::writeFlagArray(const Key& key, const kv::vector<bool>& values) {
    if (!beginEntry(F::FlagArray, key)) return false;
    const size_t p = beginPayload();
    putVarint(values.size());
    uint8_t bits = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i]) bits |= static_cast<uint8_t>(1u << (i % 8));
        if (i % 8 == 7) {
            put(bits);
            bits = 0;
        }
    }
    if (values.size() % 8) put(bits);
    endPayload(p);
    return true;
}

bool KvDataStoreWriter::writeIndex2(const Key& key, const KvIndex2& value) {
    if (!beginEntry(F::Index2, key)) return false;
    putVarint(F::varintSize(value.i()) + F::varintSize(value.j()));
    putVarint(value.i());
    putVarint(value.j());
    return true;
}

bool KvDataStoreWriter::writeColor(const Key& key, const KvColor& value) {
    if (!beginEntry(F::Color, key)) return false;
    put(16);
    putColor(value);
    return true;
}

bool KvDataStoreWriter::writeRenderSettings(const Key& key, const KvRenderSettings& v) {
    if (!beginEntry(F::RenderSettings, key)) return false;
    const size_t p = beginPayload();
    putColor(v.getSecondaryColor());
    for (uint64_t x :
         {uint64_t(v.getColorMode()), uint64_t(v.getSecondaryColorMode()), uint64_t(v.getDisplayStyle()),
          uint64_t(v.getRenderMode()), v.getIsolines().i(), v.getIsolines().j(), uint64_t(v.getTriangleDensity()),
          v.getLineDensity().i(), v.getLineDensity().j(), uint64_t(v.getLineWidth())})
        putVarint(x);
    endPayload(p);
    return true;
}

bool KvDataStoreWriter::writeXformMatrix(const Key& key, const KvXformMatrix& value) {
    if (!beginEntry(F::XformMatrix, key)) return false;
    if (value.isIdentity()) {
        put(1);
        put(0);
    } else {
        putVarint(1 + 16 * 8);
        put(1);
        for (int i = 0; i < 16; ++i)
            putDouble(value.data()[i]);
    }
    return true;
}

bool KvDataStoreWriter::writeParamSet(const Key& key, const KvParamSet& value) {
    if (!beginEntry(F::ParamSet, key)) return false;
    const size_t p = beginPayload();
    putString(value.name());
    putVarint(value.size());
    for (const KvParam& param : value) {
        putString(param.getName());
        putString(param.getValue());
        put(param.isModified() ? 1 : 0);
        putVarint(param.getDefinition().size());
        for (const KvString& def : param.getDefinition())
            putString(def);
    }
    endPayload(p);
    return true;
}
