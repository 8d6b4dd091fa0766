#include <KvDataStore.h>

#include <KvDataStoreAttribute.h>
#include <KvEntityType.h>
#include <KvGenre.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// File layout and encodings: docs/datastore-format.md. Everything read from
// a file is checked against the bytes that remain before it is used.

namespace {

const uint8_t kMagic[8] = {0x89, 'K', 'V', 'D', 'S', '\r', '\n', 0x1A};
constexpr size_t kHeaderSize = 16;
constexpr size_t kFooterSize = 24;
constexpr uint32_t kDefaultVersion = 207;
// Entity reads nested in each other (records within records, references
// read on the spot). Bounded so that a long chain of forward references
// cannot exhaust the stack.
constexpr int kMaxReadNesting = 400;
constexpr size_t kNone = static_cast<size_t>(-1);
constexpr uint32_t kNoKey = 0xFFFFFFFFu;
// Bytes written before they go to the file.
constexpr size_t kWindow = 256 * 1024;
// A length of 0 in the five bytes that a widened length takes.
const uint8_t kZeroLength[5] = {0x80, 0x80, 0x80, 0x80, 0x00};

enum Kind : uint8_t {
    kSection = 1,
    kLink,
    kBool,
    kInt,
    kUInt,
    kDouble,
    kString,
    kNullString,
    kReference,
    kReferenceArray,
    kUIntArray,
    kStringArray,
    kKeyValueArray,
    kFlagArray,
    kIndex2,
    kColor,
    kRenderSettings,
    kXformMatrix,
    kParamSet,
    kNotch,
    kLastKind = kNotch
};
constexpr uint8_t kKindMask = 0x1F;
constexpr uint8_t kEntityBit = 0x20;
constexpr uint8_t kSharedBit = 0x40;

uint64_t loadLE(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

uint64_t load64(const uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return loadLE(p, 8);
#else
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
#endif
}

// The file checksum: the sum of the little-endian 64-bit words of the file
// (the last one padded with zeros), word i weighted by 2i + 1, plus the
// length times a constant. Any change confined to one word changes it, and a
// byte patched after its word was summed can be accounted for.
constexpr uint64_t kLengthWeight = 0x9E3779B97F4A7C15ULL;

uint64_t byteWeight(size_t pos) { return (uint64_t(1) << (8 * (pos % 8))) * (2 * uint64_t(pos / 8) + 1); }

// Sums the words of `p[0, n)`, which starts at the word-aligned offset `at`.
uint64_t sumWords(const uint8_t* p, size_t n, size_t at) {
    uint64_t sum = 0;
    uint64_t weight = 2 * uint64_t(at / 8) + 1;
    size_t i = 0;
    for (; i + 8 <= n; i += 8, weight += 2)
        sum += load64(p + i) * weight;
    if (i < n) sum += loadLE(p + i, static_cast<int>(n - i)) * weight;
    return sum;
}

uint64_t checksum(const uint8_t* p, size_t n) { return sumWords(p, n, 0) + uint64_t(n) * kLengthWeight; }

uint64_t zigzag(long long v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
long long unzigzag(uint64_t v) { return static_cast<long long>(v >> 1) ^ -static_cast<long long>(v & 1); }

size_t varintSize(uint64_t v) {
    size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

// A growable byte buffer: the write window, and the file being read.
class ByteSink {
public:
    ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;
    ~ByteSink() { std::free(p_); }

    size_t size() const { return n_; }
    uint8_t* data() { return p_; }
    void clear() { n_ = 0; }
    size_t capacity() const { return cap_; }
    void swap(ByteSink& o) noexcept {
        std::swap(p_, o.p_);
        std::swap(n_, o.n_);
        std::swap(cap_, o.cap_);
    }
    void reserve(size_t extra) {
        if (cap_ - n_ < extra) grow(n_ + extra);
    }
    void put(uint8_t b) {
        reserve(1);
        p_[n_++] = b;
    }
    // Takes `n` more bytes, reserved before, as written.
    void extend(size_t n) { n_ += n; }
    // Drops the first `n` bytes.
    void consume(size_t n) {
        std::memmove(p_, p_ + n, n_ - n);
        n_ -= n;
    }
    void putVarint(uint64_t v) {
        reserve(10);
        while (v >= 0x80) {
            p_[n_++] = static_cast<uint8_t>(v) | 0x80;
            v >>= 7;
        }
        p_[n_++] = static_cast<uint8_t>(v);
    }
    void putBytes(const void* s, size_t len) {
        if (!len) return;
        reserve(len);
        std::memcpy(p_ + n_, s, len);
        n_ += len;
    }
    void putLE(uint64_t v, int bytes) {
        reserve(static_cast<size_t>(bytes));
        for (int i = 0; i < bytes; ++i)
            p_[n_++] = static_cast<uint8_t>(v >> (8 * i));
    }
    void putDouble(double d) {
        uint64_t u;
        std::memcpy(&u, &d, 8);
        putLE(u, 8);
    }
    void putFloat(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        putLE(u, 4);
    }
    // Null and empty differ: 0 is null, otherwise length + 1 and the bytes.
    void putString(const KvString& s) {
        if (s.isNull()) {
            put(0);
        } else {
            putVarint(s.length() + 1);
            putBytes(s.getString(), s.length());
        }
    }
    // Writes the varint `v` at `pos`, where one byte was reserved, moving
    // what follows when `v` needs more.
    void patchVarint(size_t pos, uint64_t v) {
        uint8_t tmp[10];
        size_t len = 0;
        while (v >= 0x80) {
            tmp[len++] = static_cast<uint8_t>(v) | 0x80;
            v >>= 7;
        }
        tmp[len++] = static_cast<uint8_t>(v);
        if (len > 1) {
            reserve(len - 1);
            std::memmove(p_ + pos + len, p_ + pos + 1, n_ - pos - 1);
            n_ += len - 1;
        }
        std::memcpy(p_ + pos, tmp, len);
    }

private:
    void grow(size_t need) {
        size_t cap = std::max<size_t>({need, cap_ * 2, 4096});
        void* p = std::realloc(p_, cap);
        if (!p) throw std::bad_alloc();
        p_ = static_cast<uint8_t*>(p);
        cap_ = cap;
    }

    uint8_t* p_ = nullptr;
    size_t n_ = 0;
    size_t cap_ = 0;
};

// --------------------------------------------------------------- writing

// Keys are short: a plain loop beats a call to memcmp.
inline bool sameBytes(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

inline void prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

uint32_t hashBytes(const char* s, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ static_cast<uint8_t>(s[i])) * 16777619u;
    return h;
}

// Keys and type names of a file being written, each stored once. A slot
// holds the hash beside the index, so probing touches the strings only for
// a probable match.
class StringPool {
public:
    // Starts loading the slot where a string of hash `h` is looked for.
    void prefetch(uint32_t h) const {
        if (!slots_.empty()) ::prefetch(&slots_[h & (slots_.size() - 1)]);
    }
    uint32_t intern(const char* s, size_t n) { return intern(s, n, hashBytes(s, n)); }
    uint32_t intern(const char* s, size_t n, uint32_t h) {
        if ((spans_.size() + 1) * 2 > slots_.size()) rehash();
        const size_t mask = slots_.size() - 1;
        size_t i = h & mask;
        for (; slots_[i]; i = (i + 1) & mask) {
            if (hashOf(slots_[i]) == h && matches(indexOf(slots_[i]), s, n)) return indexOf(slots_[i]);
        }
        const uint32_t idx = static_cast<uint32_t>(spans_.size());
        if (arena_.size() + n > 0xFFFFFFFFu) throw std::length_error("KvDataStore: too many keys");
        spans_.emplace_back(static_cast<uint32_t>(arena_.size()), static_cast<uint32_t>(n));
        arena_.append(s, n);
        slots_[i] = makeSlot(h, idx);
        return idx;
    }
    bool find(const char* s, size_t n, uint32_t& idx) const {
        if (slots_.empty()) return false;
        const uint32_t h = hashBytes(s, n);
        const size_t mask = slots_.size() - 1;
        for (size_t i = h & mask; slots_[i]; i = (i + 1) & mask) {
            if (hashOf(slots_[i]) == h && matches(indexOf(slots_[i]), s, n)) {
                idx = indexOf(slots_[i]);
                return true;
            }
        }
        return false;
    }
    size_t size() const { return spans_.size(); }
    size_t footprint() const { return arena_.capacity() + spans_.capacity() * 8 + slots_.capacity() * 8; }
    std::string_view get(uint32_t idx) const {
        return std::string_view(arena_.data() + spans_[idx].first, spans_[idx].second);
    }
    void clear() {
        arena_.clear();
        spans_.clear();
        slots_.clear();
    }

private:
    static uint64_t makeSlot(uint32_t hash, uint32_t idx) { return (uint64_t(hash) << 32) | (uint64_t(idx) + 1); }
    static uint32_t hashOf(uint64_t slot) { return static_cast<uint32_t>(slot >> 32); }
    static uint32_t indexOf(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }
    bool matches(uint32_t idx, const char* s, size_t n) const {
        return spans_[idx].second == n && sameBytes(arena_.data() + spans_[idx].first, s, n);
    }
    void rehash() {
        const size_t size = slots_.empty() ? 256 : slots_.size() * 4;
        slots_.assign(size, 0);  // reuses the capacity of a cleared pool
        for (uint32_t idx = 0; idx < spans_.size(); ++idx) {
            const uint32_t h = hashBytes(arena_.data() + spans_[idx].first, spans_[idx].second);
            size_t i = h & (size - 1);
            while (slots_[i])
                i = (i + 1) & (size - 1);
            slots_[i] = makeSlot(h, idx);
        }
    }

    std::string arena_;
    std::vector<std::pair<uint32_t, uint32_t>> spans_;  // offset, length
    std::vector<uint64_t> slots_;                       // hash and index + 1; 0 is free
};

// Entity address -> identifier of a file being written. Identifiers are
// dense from 1; a slot holds one with a tag of the address's hash, and the
// addresses sit in an array indexed by identifier.
class IdMap {
public:
    // The identifier of `key`; a new one (the next) when it has none.
    uint32_t findOrInsert(const void* key, bool& isNew) {
        if ((byId_.size() + 1) * 2 > slots_.size()) rehash();
        const uint64_t h = hash(key);
        uint64_t& slot = slots_[slotOf(key, h)];
        isNew = slot == 0;
        if (isNew) {
            slot = (h & kTagMask) | byId_.size();
            byId_.push_back(key);
        }
        return static_cast<uint32_t>(slot);
    }
    void prefetch(const void* key) const {
        if (!slots_.empty()) ::prefetch(&slots_[static_cast<size_t>(hash(key) >> 32) & (slots_.size() - 1)]);
    }
    // 0 when `key` has no identifier.
    uint32_t find(const void* key) const {
        return slots_.empty() ? 0 : static_cast<uint32_t>(slots_[slotOf(key, hash(key))]);
    }
    void clear() {
        slots_.clear();
        byId_.assign(1, nullptr);
    }
    size_t footprint() const { return slots_.capacity() * 8 + byId_.capacity() * 8; }

private:
    static constexpr uint64_t kTagMask = 0xFFFFFFFF00000000ULL;
    static uint64_t hash(const void* key) { return (reinterpret_cast<uintptr_t>(key) >> 3) * 0x9E3779B97F4A7C15ULL; }
    size_t slotOf(const void* key, uint64_t h) const {
        const size_t mask = slots_.size() - 1;
        size_t i = static_cast<size_t>(h >> 32) & mask;
        for (; slots_[i]; i = (i + 1) & mask)
            if ((slots_[i] & kTagMask) == (h & kTagMask) && byId_[static_cast<uint32_t>(slots_[i])] == key) break;
        return i;
    }
    void rehash() {
        slots_.assign(slots_.empty() ? 4096 : slots_.size() * 4, 0);
        for (size_t id = 1; id < byId_.size(); ++id) {
            const uint64_t h = hash(byId_[id]);
            slots_[slotOf(byId_[id], h)] = (h & kTagMask) | id;
        }
    }

    std::vector<uint64_t> slots_;             // tag | identifier; 0 is free
    std::vector<const void*> byId_{nullptr};  // identifier -> address
};

// The tables of a store being written. One set of moderate size is kept per
// thread between stores, so that saving again reuses memory instead of
// faulting in and clearing fresh pages for every table.
struct WriteTables {
    ByteSink out;
    StringPool pool;
    IdMap ids;
    std::vector<uint8_t> stored;
    std::vector<uint32_t> keyMark;

    size_t footprint() const {
        return out.capacity() + pool.footprint() + ids.footprint() + stored.capacity() + keyMark.capacity() * 4;
    }
};
constexpr size_t kMaxSpareFootprint = size_t(32) << 20;
thread_local std::unique_ptr<WriteTables> t_spareTables;

// The same for a store being read.
struct ReadTables {
    ByteSink bytes;
    std::vector<std::pair<size_t, size_t>> strings;
    std::vector<KvGenre*> objects;
    std::vector<uint8_t> inProgress;

    size_t footprint() const {
        return bytes.capacity() + strings.capacity() * 16 + objects.capacity() * 8 + inProgress.capacity();
    }
};
thread_local std::unique_ptr<ReadTables> t_spareReadTables;

struct WriteFrame {
    size_t lenPos = kNone;  // the reserved length byte (none for the top)
    size_t contentStart = 0;
    uint32_t keyIdx = kNoKey;
    uint32_t serial = 0;  // marks the keys used in this section
    size_t markLogStart = 0;
    bool embedded = false;  // the records written with a reference array
    bool widened = false;   // the length takes 5 bytes, patched in place
    size_t lastEntryPos = kNone;
    uint8_t lastEntryKind = 0;
    uint32_t lastEntryId = 0;
    uint32_t lastKey = kNoKey;
    std::vector<uint32_t> keys;  // in order
};

// An entity whose handler is running: its entry gets the entity header.
struct PendingEntity {
    size_t depth;
    uint32_t keyIdx;
    uint32_t typeIdx;
    uint32_t id;
    bool shared;
    bool consumed;
};

// --------------------------------------------------------------- reading

struct Cursor {
    const uint8_t* d;
    size_t pos;
    size_t end;
    bool ok = true;

    size_t remaining() const { return end - pos; }
    uint8_t byte() {
        if (pos >= end) return fail();
        return d[pos++];
    }
    uint64_t varint() {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (pos >= end) return fail();
            uint8_t b = d[pos++];
            if (shift == 63 && b > 1) return fail();
            v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        return fail();
    }
    uint64_t le(int bytes) {
        if (remaining() < static_cast<size_t>(bytes)) return fail();
        uint64_t v = loadLE(d + pos, bytes);
        pos += static_cast<size_t>(bytes);
        return v;
    }
    double dbl() {
        uint64_t u = le(8);
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    float flt() {
        uint32_t u = static_cast<uint32_t>(le(4));
        float v;
        std::memcpy(&v, &u, 4);
        return v;
    }
    bool string(KvString& s) {
        uint64_t n = varint();
        if (!ok) return false;
        if (n == 0) {
            s = KvString();
            return true;
        }
        if (n - 1 > remaining()) return fail() != 0;
        s = KvString(reinterpret_cast<const char*>(d + pos), static_cast<size_t>(n - 1));
        pos += static_cast<size_t>(n - 1);
        return true;
    }
    // A count of elements that each take at least one byte, or `perByte`
    // elements a byte (flags).
    bool count(uint64_t& n, uint64_t perByte = 1) {
        n = varint();
        if (!ok) return false;
        if (n > remaining() * perByte) return fail() != 0;
        return true;
    }
    uint8_t fail() {
        ok = false;
        return 0;
    }
};

struct Entry {
    size_t pos = 0;  // kind byte
    uint8_t kb = 0;
    uint32_t key = 0;
    uint32_t type = 0;
    uint64_t id = 0;
    size_t payload = 0;
    size_t end = 0;

    uint8_t kind() const { return kb & kKindMask; }
    bool isEntity() const { return kb & kEntityBit; }
    bool isShared() const { return (kb & (kEntityBit | kSharedBit)) == (kEntityBit | kSharedBit); }
};

struct ReadFrame {
    size_t begin;
    size_t end;
    size_t cursor;
    uint32_t keyIdx;
    std::unique_ptr<std::unordered_map<std::string_view, size_t>> index;
};

// Where the shared record of an entity is: the entry and its section.
struct Location {
    size_t pos = 0;
    size_t begin = 0;
    size_t end = 0;
};

// An entity read in progress: the names pushed for it.
struct ReadContext {
    std::vector<KvString> names;
};

// ------------------------------------------------------- registrations

struct Registry {
    std::mutex mutex;
    std::unordered_map<const KvTypeId::Data*, KvEntityType*> byType;
    std::unordered_map<std::string, KvEntityType*> byName;
    std::atomic<uint64_t> generation{1};
    std::atomic<uint32_t> currentVersion{kDefaultVersion};
};

Registry& registry() {
    static Registry* r = new Registry;  // never destroyed: registrations last as long as the process
    return *r;
}

struct Resolved {
    KvEntityType* handler = nullptr;
    KvString name;
};

// The registration nearest to `type`; the caller holds the mutex.
Resolved resolveType(Registry& r, const KvTypeId& type) {
    for (KvTypeId t = type; t.isValid(); t = t.getParent()) {
        auto it = r.byType.find(t.data());
        if (it != r.byType.end()) return {it->second, t.getName()};
        auto jt = r.byName.find(t.getName().str());
        if (jt != r.byName.end()) return {jt->second, t.getName()};
    }
    return {};
}

KvEntityType* resolveName(Registry& r, const std::string& name) {
    auto jt = r.byName.find(name);
    if (jt != r.byName.end()) return jt->second;
    return resolveType(r, KvTypeId::lookup(KvString(name))).handler;
}

template <class F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <class F>
ScopeExit<F> onExit(F f) {
    return ScopeExit<F>{std::move(f)};
}

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

KvString quoted(const char* s, size_t n) { return KvString("'") + KvString(s, n) + "'"; }
KvString quoted(const KvDataStore::Key& key) { return quoted(key.c_str(), key.size()); }

}  // namespace

// ====================================================================

struct KvDataStore::Impl {
    explicit Impl(KvDataStore* s) : self(s), version(registry().currentVersion.load()) {}

    KvDataStore* self;
    Mode mode = Idle;
    KvString path;
    uint32_t version;
    bool failed = false;
    bool damageReported = false;
    kv::vector<KvString> errors;
    kv::vector<KvString> contexts;
    std::vector<KvDataStoreAttribute*> attributes;
    uint64_t cacheGeneration = 0;

    // --- writing: the file is written through a window `out` that holds
    // the bytes from offset `base` on. Positions below are file offsets.
    ByteSink out;
    size_t base = 0;
    uint64_t sum = 0;  // checksum of the bytes before `base`
    QFile file;
    StringPool pool;
    // Per key: the serial of the section that used it last; a section's
    // marks over those of an enclosing one are logged and put back.
    std::vector<uint32_t> keyMark;
    std::vector<std::pair<uint32_t, uint32_t>> markLog;
    uint32_t nextSerial = 1;
    // Keys are mostly string literals or the key a handler was given:
    // remembered by address, checked by content.
    struct KeyCacheSlot {
        const char* text = nullptr;
        size_t size = 0;
        uint32_t idx = 0;
    };
    KeyCacheSlot keyCache[64];
    std::vector<WriteFrame> wframes;
    size_t wdepth = 0;
    size_t wfloor = 1;
    std::vector<PendingEntity> pending;
    IdMap ids;
    std::vector<uint8_t> stored;  // by id: the shared record is written
    uint32_t nextId = 1;
    std::unordered_map<const void*, std::pair<KvEntityType*, uint32_t>> writeHandlers;
    const void* lastType = nullptr;
    std::pair<KvEntityType*, uint32_t> lastHandler{nullptr, 0};

    // --- reading
    ByteSink bytes;  // the whole file
    const uint8_t* d = nullptr;
    size_t bodyEnd = 0;
    std::vector<std::pair<size_t, size_t>> strings;  // offset, length
    uint64_t idCount = 0;
    std::vector<ReadFrame> rframes;
    size_t rfloor = 1;
    std::vector<KvGenre*> objects;    // by id
    std::vector<uint8_t> inProgress;  // by id
    std::vector<Location> locations;  // by id, once indexed
    bool indexed = false;
    std::unordered_map<size_t, KvGenre*> entryBindings;  // records without identity
    std::vector<ReadContext> readStack;
    std::unordered_map<std::string, KvGenre*> altNames;
    std::vector<std::pair<uint32_t, KvEntityType*>> readHandlers;  // type name index, handler (few)
    int nesting = 0;

    // ------------------------------------------------------------ common

    void checkCache() {
        uint64_t g = registry().generation.load(std::memory_order_acquire);
        if (g == cacheGeneration) return;
        cacheGeneration = g;
        writeHandlers.clear();
        lastType = nullptr;
        readHandlers.clear();
    }

    KvString context() const {
        KvString where;
        if (mode == Writing) {
            for (size_t i = 1; i < wdepth; ++i) {
                if (wframes[i].keyIdx == kNoKey) continue;
                std::string_view k = pool.get(wframes[i].keyIdx);
                if (!where.isEmpty()) where += "/";
                where += KvString(k.data(), k.size());
            }
        } else if (mode == Reading) {
            for (size_t i = 1; i < rframes.size(); ++i) {
                if (rframes[i].keyIdx == kNoKey) continue;
                if (!where.isEmpty()) where += "/";
                where += keyText(rframes[i].keyIdx);
            }
        }
        KvString out;
        if (!where.isEmpty()) out = KvString("in ") + quoted(where.getString(), where.length());
        for (auto it = readStack.rbegin(); it != readStack.rend(); ++it) {
            if (it->names.empty()) continue;
            const KvString& n = it->names.back();
            out += KvString(out.isEmpty() ? "" : ", ") + "reading " + quoted(n.getString(), n.length());
            break;
        }
        return out;
    }

    void report(const KvString& message) {
        errors.push_back(message);
        contexts.push_back(context());
        failed = true;
    }

    bool damaged(size_t pos, const char* what) {
        failed = true;
        if (!damageReported) {
            damageReported = true;
            report(quoted(path.getString(), path.length()) + " is damaged: " + what + " at offset " +
                   KvString::number(static_cast<unsigned long long>(pos)));
        }
        return false;
    }

    void swapTables(WriteTables& t) {
        out.swap(t.out);
        std::swap(pool, t.pool);
        std::swap(ids, t.ids);
        stored.swap(t.stored);
        keyMark.swap(t.keyMark);
    }

    void resetWriting() {
        if (file.isOpen()) {  // abandoned: nothing reaches the target
            file.close();
            file.remove();
        }
        out.clear();
        base = 0;
        sum = 0;
        pool.clear();
        wframes.clear();
        wdepth = 0;
        wfloor = 1;
        pending.clear();
        ids.clear();
        stored.clear();
        nextId = 1;
        keyMark.clear();
        markLog.clear();
        nextSerial = 1;
        writeHandlers.clear();
        lastType = nullptr;
        for (KeyCacheSlot& slot : keyCache)
            slot = KeyCacheSlot();
        if (!t_spareTables && out.capacity()) {
            auto spare = std::make_unique<WriteTables>();
            swapTables(*spare);
            if (spare->footprint() <= kMaxSpareFootprint) t_spareTables = std::move(spare);
        }
    }

    void takeSpareTables() {
        if (!t_spareTables) return;
        swapTables(*t_spareTables);
        t_spareTables.reset();
    }

    void swapReadTables(ReadTables& t) {
        bytes.swap(t.bytes);
        strings.swap(t.strings);
        objects.swap(t.objects);
        inProgress.swap(t.inProgress);
    }

    void takeSpareReadTables() {
        if (!t_spareReadTables) return;
        swapReadTables(*t_spareReadTables);
        t_spareReadTables.reset();
    }

    void resetReading() {
        bytes.clear();
        strings.clear();
        objects.clear();
        inProgress.clear();
        if (!t_spareReadTables && bytes.capacity()) {
            auto spare = std::make_unique<ReadTables>();
            swapReadTables(*spare);
            if (spare->footprint() <= kMaxSpareFootprint) t_spareReadTables = std::move(spare);
        }
        d = nullptr;
        bodyEnd = 0;
        strings.clear();
        idCount = 0;
        rframes.clear();
        rfloor = 1;
        objects.clear();
        inProgress.clear();
        locations.clear();
        indexed = false;
        entryBindings.clear();
        readStack.clear();
        altNames.clear();
        readHandlers.clear();
        nesting = 0;
    }

    // ----------------------------------------------------------- writing

    bool canWrite() const { return mode == Writing && !failed; }

    uint32_t idFor(const KvGenre* entity) {
        bool isNew;
        uint32_t id = ids.findOrInsert(entity, isNew);
        if (isNew) {
            ++nextId;
            stored.push_back(0);
        }
        return id;
    }

    bool cachedKey(const Key& key, uint32_t& idx) {
        const KeyCacheSlot& slot = keyCache[(reinterpret_cast<uintptr_t>(key.c_str()) >> 3) & 63];
        if (slot.text != key.c_str() || slot.size != key.size()) return false;
        std::string_view known = pool.get(slot.idx);
        if (!sameBytes(known.data(), key.c_str(), key.size())) return false;
        idx = slot.idx;
        return true;
    }

    uint32_t internKey(const Key& key) {
        uint32_t idx;
        if (cachedKey(key, idx)) return idx;
        return internKey(key, hashBytes(key.c_str(), key.size()));
    }

    uint32_t internKey(const Key& key, uint32_t hash) {
        const uint32_t idx = pool.intern(key.c_str(), key.size(), hash);
        while (keyMark.size() <= idx)
            keyMark.push_back(0);
        keyCache[(reinterpret_cast<uintptr_t>(key.c_str()) >> 3) & 63] = {key.c_str(), key.size(), idx};
        return idx;
    }

    bool keyUsed(const WriteFrame& f, uint32_t k) const { return k < keyMark.size() && keyMark[k] == f.serial; }

    // False when the section already has the key.
    bool useKey(WriteFrame& f, uint32_t k) {
        uint32_t& mark = keyMark[k];
        if (mark == f.serial) return false;
        if (mark) markLog.emplace_back(k, mark);
        mark = f.serial;
        f.keys.push_back(k);
        return true;
    }

    void pushWriteFrame(size_t lenPos, uint32_t keyIdx, bool embedded) {
        if (wframes.size() <= wdepth) wframes.emplace_back();
        WriteFrame& f = wframes[wdepth++];
        f.lenPos = lenPos;
        f.contentStart = pos();
        f.widened = false;
        f.keyIdx = keyIdx;
        f.serial = nextSerial++;
        f.markLogStart = markLog.size();
        f.embedded = embedded;
        f.lastEntryPos = kNone;
        f.lastKey = kNoKey;
        f.keys.clear();
    }

    void popWriteFrame() {
        WriteFrame& f = wframes[--wdepth];
        if (f.widened) {
            uint8_t len[5];
            if (!paddedVarint(pos() - f.contentStart, len)) report("Section too large");
            patch(f.lenPos, kZeroLength, len, 5);
        } else if (f.lenPos != kNone) {
            out.patchVarint(f.lenPos - base, pos() - f.contentStart);
        }
        while (markLog.size() > f.markLogStart) {
            keyMark[markLog.back().first] = markLog.back().second;
            markLog.pop_back();
        }
    }

    // Writes the header of a new entry in the current section; an entry that
    // is the record of the entity being written gets the entity header.
    // `shared` < 0 takes the entity's flag.
    bool beginEntry(uint8_t kind, const Key& key, int shared = -1) {
        if (!canWrite()) return false;
        if (out.size() >= kWindow) flush();
        WriteFrame& f = wframes[wdepth - 1];
        uint32_t k = internKey(key);
        if (!useKey(f, k)) {
            report(KvString("Duplicate key ") + quoted(key));
            return false;
        }
        f.lastEntryPos = pos();
        f.lastKey = k;
        PendingEntity* pe = pending.empty() ? nullptr : &pending.back();
        if (pe && !pe->consumed && pe->depth == wdepth && pe->keyIdx == k) {
            bool sh = shared < 0 ? pe->shared : shared != 0;
            if (sh && stored[pe->id]) sh = false;  // it has its shared record already
            if (sh) stored[pe->id] = 1;
            f.lastEntryKind = static_cast<uint8_t>(kind | kEntityBit | (sh ? kSharedBit : 0));
            f.lastEntryId = pe->id;
            out.put(f.lastEntryKind);
            out.putVarint(k);
            out.putVarint(pe->typeIdx);
            out.putVarint(pe->id);
            pe->consumed = true;
        } else {
            f.lastEntryKind = kind;
            out.put(kind);
            out.putVarint(k);
        }
        return true;
    }

    // A length byte to fill in when the payload is written (which does not
    // flush, so it stays in the window).
    size_t beginPayload() {
        size_t p = pos();
        out.put(0);
        return p;
    }
    void endPayload(size_t lenPos) { out.patchVarint(lenPos - base, pos() - lenPos - 1); }

    size_t pos() const { return base + out.size(); }

    static bool paddedVarint(uint64_t v, uint8_t bytes[5]) {
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<uint8_t>(((v >> (7 * i)) & 0x7F) | 0x80);
        bytes[4] = static_cast<uint8_t>(v >> 28);
        return v < (uint64_t(1) << 35);
    }

    // Changes bytes written earlier, in the window or in the file.
    void patch(size_t at, const uint8_t* old, const uint8_t* now, size_t n) {
        size_t inFile = at < base ? std::min(n, base - at) : 0;
        for (size_t i = 0; i < inFile; ++i)
            sum += (uint64_t(now[i]) - uint64_t(old[i])) * byteWeight(at + i);
        if (inFile && (!file.seek(static_cast<qint64>(at)) ||
                       file.write(reinterpret_cast<const char*>(now), static_cast<qint64>(inFile)) !=
                           static_cast<qint64>(inFile) ||
                       !file.seek(static_cast<qint64>(base))))
            ioFailed();
        for (size_t i = inFile; i < n; ++i)
            out.data()[at + i - base] = now[i];
    }

    void ioFailed() {
        if (!failed)
            report(KvString("Cannot write ") + quoted(path.getString(), path.length()) + ": " +
                   KvString::fromQString(file.errorString()));
    }

    // Writes the window out, whole words only unless `all`. The lengths of
    // the open sections are widened first, so that they can be patched in
    // the file when the sections close.
    void flush(bool all = false) {
        for (size_t i = 0; i < wdepth; ++i) {
            WriteFrame& f = wframes[i];
            if (f.lenPos == kNone || f.widened) continue;
            size_t at = f.lenPos - base;
            out.reserve(4);
            std::memmove(out.data() + at + 5, out.data() + at + 1, out.size() - at - 1);
            out.extend(4);
            std::memcpy(out.data() + at, kZeroLength, 5);
            f.widened = true;
            for (size_t j = i; j < wdepth; ++j) {  // everything after the length moved
                WriteFrame& g = wframes[j];
                if (j > i) g.lenPos += 4;
                g.contentStart += 4;
                if (g.lastEntryPos != kNone && g.lastEntryPos > f.lenPos) g.lastEntryPos += 4;
            }
        }
        size_t n = all ? out.size() : out.size() / 8 * 8;
        if (!n) return;
        sum += sumWords(out.data(), n, base);
        if (file.write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(n)) != static_cast<qint64>(n))
            ioFailed();
        out.consume(n);
        base += n;
    }

    bool writeFixed(uint8_t kind, const Key& key, uint64_t varintValue) {
        if (!beginEntry(kind, key)) return false;
        out.putVarint(varintSize(varintValue));
        out.putVarint(varintValue);
        return true;
    }

    std::pair<KvEntityType*, uint32_t> writeHandler(const KvTypeId& type) {
        checkCache();
        if (type.data() == lastType && lastType) return lastHandler;
        auto it = writeHandlers.find(type.data());
        if (it == writeHandlers.end()) {
            Resolved r;
            {
                Registry& reg = registry();
                std::lock_guard<std::mutex> lock(reg.mutex);
                r = resolveType(reg, type);
            }
            uint32_t nameIdx = r.handler ? pool.intern(r.name.getString(), r.name.length()) : 0;
            it = writeHandlers.emplace(type.data(), std::make_pair(r.handler, nameIdx)).first;
        }
        lastType = type.data();
        lastHandler = it->second;
        return it->second;
    }

    bool writeEntity(const Key& key, const KvGenre* entity, bool shared) {
        if (!canWrite() || !entity) return false;
        // The key and the entity are usually new: start loading both table
        // slots before either is needed.
        uint32_t keyIdx = 0;
        const bool keyKnown = cachedKey(key, keyIdx);
        const uint32_t keyHash = keyKnown ? 0 : hashBytes(key.c_str(), key.size());
        if (!keyKnown) pool.prefetch(keyHash);
        ids.prefetch(entity);
        std::pair<KvEntityType*, uint32_t> h = writeHandler(entity->getTypeId());
        uint32_t id = idFor(entity);
        if (shared && stored[id]) return writeFixed(kLink, key, id);
        if (!h.first) {
            report(KvString("No entity handler for type ") +
                   quoted(entity->getTypeId().getName().getString(), entity->getTypeId().getName().length()));
            return false;
        }
        if (!keyKnown) keyIdx = internKey(key, keyHash);
        pending.push_back({wdepth, keyIdx, h.second, id, shared, false});
        const size_t depth = wdepth;
        const size_t slot = pending.size() - 1;
        auto done = onExit([&] {
            pending.resize(slot);
            while (wdepth > depth)
                popWriteFrame();  // sections the handler left open
        });
        bool ok = h.first->write(*self, key.c_str(), shared, entity);
        return ok && !failed && pending[slot].consumed;  // a handler that wrote nothing failed
    }

    bool writeReferenceArray(const Key& key, const kv::vector<const KvGenre*>& entities, bool embed) {
        if (!beginEntry(kReferenceArray, key)) return false;
        size_t lenPos = beginPayload();
        pushWriteFrame(lenPos, wframes[wdepth - 1].lastKey, true);
        const size_t arrayDepth = wdepth - 1;
        out.putVarint(entities.size());
        for (const KvGenre* e : entities)
            out.putVarint(e ? idFor(e) : 0);
        bool ok = true;
        if (embed) {
            size_t savedFloor = wfloor;
            wfloor = wdepth;
            auto restore = onExit([&] { wfloor = savedFloor; });
            char name[24];
            for (size_t i = 0; i < entities.size() && ok; ++i) {
                const KvGenre* e = entities[i];
                if (!e || stored[idFor(e)]) continue;
                std::snprintf(name, sizeof name, "%zu", i);
                ok = writeEntity(Key(name), e, true);
            }
        }
        while (wdepth > arrayDepth)
            popWriteFrame();
        return ok && !failed;
    }

    // Opens the file the store is written to: beside the target, renamed
    // over it by close(), so that the old file is never half overwritten.
    bool startWriting() {
        file.setFileName(path.toQString() + ".kvtmp-" + QString::number(QCoreApplication::applicationPid()));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            report(KvString("Cannot write ") + quoted(path.getString(), path.length()) + ": " +
                   KvString::fromQString(file.errorString()));
            return false;
        }
        out.reserve(kWindow + 4096);
        return true;
    }

    bool finishWriting() {
        while (wdepth > 1)
            popWriteFrame();  // sections left open
        const size_t tableOffset = pos();
        out.putVarint(pool.size());
        for (uint32_t i = 0; i < pool.size(); ++i) {
            std::string_view text = pool.get(i);
            out.putVarint(text.size());
            out.putBytes(text.data(), text.size());
            if (out.size() >= kWindow) flush();
        }
        out.putLE(tableOffset, 8);
        out.putLE(nextId - 1, 8);
        uint8_t now[4], old[4] = {0, 0, 0, 0};
        for (int i = 0; i < 4; ++i)
            now[i] = static_cast<uint8_t>(version >> (8 * i));
        patch(12, old, now, 4);
        flush(true);
        const uint64_t total = sum + uint64_t(base) * kLengthWeight;
        out.putLE(total, 8);
        flush(true);
        bool ok = !failed;
        file.close();
        // Not forced to disk: a save costs what writing any file costs.
        const QString target = path.toQString();
        if (ok && QFile::exists(target)) file.setPermissions(QFile::permissions(target));
        if (ok && !replaceFile(file.fileName(), target)) {
            ok = false;
            report(KvString("Cannot write ") + quoted(path.getString(), path.length()) + ": cannot replace the file");
        }
        if (!ok) file.remove();
        return ok;
    }

    // ----------------------------------------------------------- reading

    KvString keyText(uint32_t idx) const {
        return KvString(reinterpret_cast<const char*>(d + strings[idx].first), strings[idx].second);
    }

    bool keyMatches(uint32_t idx, const Key& key) const {
        return strings[idx].second == key.size() &&
               sameBytes(reinterpret_cast<const char*>(d + strings[idx].first), key.c_str(), key.size());
    }

    bool openFile() {
        QFile file(path.toQString());
        const KvString name = quoted(path.getString(), path.length());
        if (!file.open(QIODevice::ReadOnly)) {
            report(KvString("Cannot open ") + name + ": " + KvString::fromQString(file.errorString()));
            return false;
        }
        takeSpareReadTables();
        bytes.clear();
        qint64 want = file.size();
        bool readOk = want >= 0;
        while (readOk && want > 0) {  // files that grow while read are read as they were
            bytes.reserve(static_cast<size_t>(want));
            qint64 n = file.read(reinterpret_cast<char*>(bytes.data() + bytes.size()), want);
            if (n < 0) readOk = false;
            if (n <= 0) break;
            bytes.extend(static_cast<size_t>(n));
            want -= n;
        }
        if (!readOk || file.error() != QFileDevice::NoError) {
            report(KvString("Cannot read ") + name + ": " + KvString::fromQString(file.errorString()));
            return false;
        }
        d = bytes.data();
        const size_t size = bytes.size();
        if (size < sizeof kMagic || std::memcmp(d, kMagic, sizeof kMagic) != 0) {
            report(name + " is not a data store file");
            return false;
        }
        if (size < kHeaderSize + kFooterSize) {
            report(name + " is truncated");
            return false;
        }
        uint32_t format = static_cast<uint32_t>(loadLE(d + 8, 2));
        if (format > FormatVersion) {
            report(name + " was written in a newer format (" + KvString::number(format) + "); this program reads " +
                   KvString::number(FormatVersion) + " and older");
            return false;
        }
        if (checksum(d, size - 8) != loadLE(d + size - 8, 8)) {
            report(name + " is damaged or truncated (checksum mismatch)");
            return false;
        }
        damageReported = false;
        if (format == 0) return damaged(8, "format version 0");
        const size_t footer = size - kFooterSize;
        uint64_t tableOffset = loadLE(d + footer, 8);
        idCount = loadLE(d + footer + 8, 8);
        if (tableOffset < kHeaderSize || tableOffset > footer) return damaged(footer, "bad string table offset");
        if (idCount > size) return damaged(footer + 8, "bad entity count");
        Cursor c{d, static_cast<size_t>(tableOffset), footer};
        uint64_t n;
        if (!c.count(n)) return damaged(c.pos, "bad string count");
        strings.reserve(static_cast<size_t>(n));
        for (uint64_t i = 0; i < n; ++i) {
            uint64_t len = c.varint();
            if (!c.ok || len > c.remaining()) return damaged(c.pos, "bad string");
            strings.emplace_back(c.pos, static_cast<size_t>(len));
            c.pos += static_cast<size_t>(len);
        }
        if (c.pos != footer) return damaged(c.pos, "string table size");
        version = static_cast<uint32_t>(loadLE(d + 12, 4));
        bodyEnd = static_cast<size_t>(tableOffset);
        objects.assign(static_cast<size_t>(idCount) + 1, nullptr);
        inProgress.assign(static_cast<size_t>(idCount) + 1, 0);
        rframes.clear();
        rframes.push_back(ReadFrame{kHeaderSize, bodyEnd, kHeaderSize, kNoKey, nullptr});
        rfloor = 1;
        return true;
    }

    bool parseEntry(size_t pos, size_t limit, Entry& e) {
        Cursor c{d, pos, limit};
        e.pos = pos;
        e.kb = c.byte();
        uint8_t kind = e.kb & kKindMask;
        if (!c.ok || kind == 0 || kind > kLastKind || (e.kb & 0x80)) return damaged(pos, "bad entry");
        uint64_t key = c.varint();
        if (!c.ok || key >= strings.size()) return damaged(pos, "bad key");
        e.key = static_cast<uint32_t>(key);
        e.type = 0;
        e.id = 0;
        if (e.kb & kEntityBit) {
            uint64_t type = c.varint();
            e.id = c.varint();
            if (!c.ok || type >= strings.size() || e.id == 0 || e.id > idCount)
                return damaged(pos, "bad entity header");
            e.type = static_cast<uint32_t>(type);
        }
        uint64_t len = c.varint();
        if (!c.ok || len > c.remaining()) return damaged(pos, "bad entry length");
        e.payload = c.pos;
        e.end = c.pos + static_cast<size_t>(len);
        return true;
    }

    bool buildIndex(ReadFrame& f) {
        auto index = std::make_unique<std::unordered_map<std::string_view, size_t>>();
        for (size_t pos = f.begin; pos < f.end;) {
            Entry e;
            if (!parseEntry(pos, f.end, e)) return false;
            std::string_view k(reinterpret_cast<const char*>(d + strings[e.key].first), strings[e.key].second);
            index->emplace(k, pos);
            pos = e.end;
        }
        f.index = std::move(index);
        return true;
    }

    // The entry under `key` in the current section. Entries are mostly read
    // in the order they were written, so the search starts after the last
    // hit; a section searched in another order gets an index.
    bool lookup(const Key& key, Entry& e) {
        if (mode != Reading) return false;
        ReadFrame& f = rframes.back();
        if (f.begin >= f.end) return false;
        if (!f.index) {
            const size_t start = f.cursor < f.end ? f.cursor : f.begin;
            size_t pos = start;
            for (int probe = 0; probe < 8; ++probe) {
                if (!parseEntry(pos, f.end, e)) return false;
                if (keyMatches(e.key, key)) {
                    f.cursor = e.end;
                    return true;
                }
                pos = e.end < f.end ? e.end : f.begin;
                if (pos == start) return false;
            }
            if (!buildIndex(f)) return false;
        }
        auto it = f.index->find(std::string_view(key.c_str(), key.size()));
        if (it == f.index->end() || !parseEntry(it->second, f.end, e)) return false;
        f.cursor = e.end;
        return true;
    }

    bool lookupKind(const Key& key, uint8_t kind, Entry& e) { return lookup(key, e) && e.kind() == kind; }

    KvEntityType* readHandler(uint32_t typeIdx) {
        checkCache();
        for (const auto& known : readHandlers)
            if (known.first == typeIdx) return known.second;
        Registry& reg = registry();
        std::lock_guard<std::mutex> lock(reg.mutex);
        readHandlers.emplace_back(typeIdx, resolveName(reg, keyText(typeIdx).str()));
        return readHandlers.back().second;
    }

    bool readEntityEntry(const Entry& e, const char* key, bool shared, KvGenre*& out) {
        out = nullptr;
        if (!entryBindings.empty()) {
            auto bound = entryBindings.find(e.pos);
            if (bound != entryBindings.end()) {
                out = bound->second;
                return true;
            }
        }
        if (e.kind() == kLink) {
            Cursor c{d, e.payload, e.end};
            uint64_t id = c.varint();
            if (!c.ok) return damaged(e.pos, "bad link");
            return resolve(id, true, out);
        }
        if (!e.isEntity()) return false;
        const bool identity = shared && e.isShared();
        if (identity && objects[e.id]) {
            out = objects[e.id];
            return true;
        }
        if (identity && inProgress[e.id]) {
            report(KvString("Circular reference to the entity stored under ") + quoted(key, std::strlen(key)));
            return false;
        }
        KvEntityType* handler = readHandler(e.type);
        if (!handler) {
            KvString type = keyText(e.type);
            report(KvString("No entity handler for type ") + quoted(type.getString(), type.length()));
            return false;
        }
        if (nesting >= kMaxReadNesting) {
            report(KvString("Entities nested too deeply under ") + quoted(key, std::strlen(key)));
            return false;
        }

        rframes.back().cursor = e.pos;  // the handler looks the key up again
        const size_t depth = rframes.size();
        const size_t savedFloor = rfloor;
        rfloor = depth;
        if (identity) inProgress[e.id] = 1;
        readStack.emplace_back();
        ++nesting;
        std::vector<KvString> names;
        auto cleanup = [&] {
            --nesting;
            names.swap(readStack.back().names);
            readStack.pop_back();
            if (identity) inProgress[e.id] = 0;
            rframes.erase(rframes.begin() + static_cast<ptrdiff_t>(depth), rframes.end());  // left open
            rfloor = savedFloor;
        };
        KvGenre* entity = nullptr;
        bool ok;
        try {
            ok = handler->read(*self, key, entity);
        } catch (...) {
            cleanup();
            throw;
        }
        cleanup();
        if (ok && entity) {
            if (identity)
                objects[e.id] = entity;
            else if (shared)
                entryBindings[e.pos] = entity;
            for (const KvString& n : names)
                altNames[n.str()] = entity;
        }
        out = entity;
        return ok;
    }

    bool indexAll() {
        indexed = true;
        locations.assign(static_cast<size_t>(idCount) + 1, Location());
        std::vector<std::pair<size_t, size_t>> todo{{kHeaderSize, bodyEnd}};
        while (!todo.empty()) {
            std::pair<size_t, size_t> range = todo.back();
            todo.pop_back();
            for (size_t pos = range.first; pos < range.second;) {
                Entry e;
                if (!parseEntry(pos, range.second, e)) return false;
                if (e.isShared() && !locations[e.id].pos) locations[e.id] = {pos, range.first, range.second};
                if (e.kind() == kSection) {
                    todo.emplace_back(e.payload, e.end);
                } else if (e.kind() == kReferenceArray) {
                    size_t embedded = 0;
                    if (!skipIds(e, embedded)) return false;
                    if (embedded < e.end) todo.emplace_back(embedded, e.end);
                }
                pos = e.end;
            }
        }
        return true;
    }

    // Past the identifiers of a reference array: where its records start.
    bool skipIds(const Entry& e, size_t& embedded) {
        Cursor c{d, e.payload, e.end};
        uint64_t n;
        if (!c.count(n)) return damaged(e.pos, "bad reference array");
        for (uint64_t i = 0; i < n && c.ok; ++i)
            c.varint();
        if (!c.ok) return damaged(e.pos, "bad reference array");
        embedded = c.pos;
        return true;
    }

    // The entity of identifier `id`; with `forward`, its record is read now
    // when it was not read yet. A file without the record gives null.
    bool resolve(uint64_t id, bool forward, KvGenre*& out) {
        out = nullptr;
        if (id == 0) return true;
        if (id > idCount) return damaged(0, "reference to an unknown entity");
        if (objects[id]) {
            out = objects[id];
            return true;
        }
        if (!forward) return true;
        if (inProgress[id]) {
            report("Circular reference between entities");
            return false;
        }
        if (!indexed && !indexAll()) return false;
        const Location loc = locations[id];
        if (!loc.pos) return true;
        Entry e;
        if (!parseEntry(loc.pos, loc.end, e)) return false;
        const size_t depth = rframes.size();
        rframes.push_back(ReadFrame{loc.begin, loc.end, loc.pos, kNoKey, nullptr});
        auto pop = onExit([&] { rframes.erase(rframes.begin() + static_cast<ptrdiff_t>(depth), rframes.end()); });
        const std::string key = keyText(e.key).str();
        return readEntityEntry(e, key.c_str(), true, out);
    }

    bool readIds(const Entry& e, std::vector<uint64_t>& out) {
        Cursor c{d, e.payload, e.end};
        uint64_t n;
        if (!c.count(n)) return damaged(e.pos, "bad reference array");
        out.reserve(static_cast<size_t>(n));
        for (uint64_t i = 0; i < n; ++i) {
            uint64_t id = c.varint();
            if (!c.ok) return damaged(e.pos, "bad reference array");
            out.push_back(id);
        }
        return true;
    }

    // Checked payload decoding: false (and the store damaged) on a bad payload.
    template <class Fn>
    bool decode(const Entry& e, Fn fn) {
        Cursor c{d, e.payload, e.end};
        if (!fn(c) || !c.ok) return damaged(e.pos, "bad value");
        return true;
    }

    bool readUnsigned(const Key& key, uint64_t& value) {
        Entry e;
        if (!lookup(key, e)) return false;
        if (e.kind() == kUInt) return decode(e, [&](Cursor& c) { return value = c.varint(), c.ok; });
        if (e.kind() == kInt) {
            long long v = 0;
            if (!decode(e, [&](Cursor& c) { return v = unzigzag(c.varint()), c.ok; })) return false;
            if (v < 0) return false;
            value = static_cast<uint64_t>(v);
            return true;
        }
        return false;
    }

    bool readSigned(const Key& key, long long& value) {
        Entry e;
        if (!lookup(key, e)) return false;
        if (e.kind() == kInt) return decode(e, [&](Cursor& c) { return value = unzigzag(c.varint()), c.ok; });
        if (e.kind() == kUInt) {
            uint64_t v = 0;
            if (!decode(e, [&](Cursor& c) { return v = c.varint(), c.ok; })) return false;
            if (v > static_cast<uint64_t>(std::numeric_limits<long long>::max())) return false;
            value = static_cast<long long>(v);
            return true;
        }
        return false;
    }
};

// ====================================================================

KvDataStore::KvDataStore() : d_(new Impl(this)) {}

KvDataStore::~KvDataStore() {
    if (d_->mode == Writing) d_->resetWriting();  // never closed: the target stays as it was
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
    registry().currentVersion.store(currentVersion > 0 ? static_cast<uint32_t>(currentVersion) : 0);
}

uint32_t KvDataStore::getCurrentVersion() { return registry().currentVersion.load(); }

void KvDataStore::addEntityType(const KvTypeId& type, KvEntityType* handler) {
    if (!type.isValid()) return;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (handler)
        r.byType[type.data()] = handler;
    else
        r.byType.erase(type.data());
    r.generation.fetch_add(1, std::memory_order_acq_rel);
}

void KvDataStore::addEntityType(const KvString& name, KvEntityType* handler) {
    if (name.isEmpty()) return;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (handler)
        r.byName[name.str()] = handler;
    else
        r.byName.erase(name.str());
    r.generation.fetch_add(1, std::memory_order_acq_rel);
}

KvEntityType* KvDataStore::getEntityType(const KvTypeId& type) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return resolveType(r, type).handler;
}

KvEntityType* KvDataStore::getEntityType(const KvString& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return resolveName(r, name.str());
}

// --- file

bool KvDataStore::create(const KvString& path) {
    Impl& s = *d_;
    if (s.mode != Idle || path.isEmpty()) return false;
    s.resetReading();
    s.resetWriting();
    s.failed = false;
    s.damageReported = false;
    s.errors.clear();
    s.contexts.clear();
    s.path = path;
    s.takeSpareTables();
    if (!s.startWriting()) return false;
    s.mode = Writing;
    s.out.putBytes(kMagic, sizeof kMagic);
    s.out.putLE(FormatVersion, 2);
    s.out.putLE(0, 2);
    s.out.putLE(0, 4);  // the version, filled in by close()
    s.pushWriteFrame(kNone, kNoKey, false);
    s.stored.push_back(0);  // identifiers start at 1
    return true;
}

bool KvDataStore::open(const KvString& path) {
    Impl& s = *d_;
    if (s.mode != Idle) return false;
    s.resetWriting();
    s.resetReading();
    s.failed = false;
    s.damageReported = false;
    s.errors.clear();
    s.contexts.clear();
    s.path = path;
    if (!s.openFile()) {
        s.resetReading();
        return false;
    }
    s.mode = Reading;
    return true;
}

bool KvDataStore::close() {
    Impl& s = *d_;
    bool ok = true;
    if (s.mode == Writing) ok = !s.failed && s.finishWriting();
    if (s.mode == Idle) ok = false;
    s.mode = Idle;
    s.resetWriting();
    s.resetReading();
    return ok;
}

KvDataStore::Mode KvDataStore::getMode() const { return d_->mode; }
const KvString& KvDataStore::getPath() const { return d_->path; }
uint32_t KvDataStore::getVersion() const { return d_->version; }
void KvDataStore::setVersion(uint32_t version) { d_->version = version; }

// --- errors

bool KvDataStore::hasFailed() const { return d_->failed; }
void KvDataStore::reportError(const KvString& message) const { d_->report(message); }
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
    Impl& s = *d_;
    if (s.mode == Writing) {
        uint32_t k;
        return s.pool.find(key.c_str(), key.size(), k) && s.keyUsed(s.wframes[s.wdepth - 1], k);
    }
    Entry e;
    return s.lookup(key, e);
}

bool KvDataStore::openSection(Key key, bool shared) {
    Impl& s = *d_;
    if (!s.beginEntry(kSection, key, shared ? 1 : 0)) return false;
    uint32_t k = s.wframes[s.wdepth - 1].lastKey;
    s.pushWriteFrame(s.beginPayload(), k, false);
    return true;
}

bool KvDataStore::enterSection(Key key) const {
    Impl& s = *d_;
    if (s.mode == Writing) return const_cast<KvDataStore*>(this)->openSection(key, false);
    Entry e;
    if (!s.lookupKind(key, kSection, e)) return false;
    s.rframes.push_back(ReadFrame{e.payload, e.end, e.payload, e.key, nullptr});
    return true;
}

bool KvDataStore::closeSection() const {
    Impl& s = *d_;
    if (s.mode == Writing) {
        if (s.wdepth <= s.wfloor || s.wframes[s.wdepth - 1].embedded) return false;
        s.popWriteFrame();
        return true;
    }
    if (s.mode != Reading || s.rframes.size() <= s.rfloor) return false;
    s.rframes.pop_back();
    return true;
}

kv::vector<KvString> KvDataStore::listKeys() const {
    Impl& s = *d_;
    kv::vector<KvString> out;
    if (s.mode == Writing) {
        const std::vector<uint32_t>& keys = s.wframes[s.wdepth - 1].keys;
        out.reserve(keys.size());
        for (uint32_t k : keys) {
            std::string_view v = s.pool.get(k);
            out.push_back(KvString(v.data(), v.size()));
        }
    } else if (s.mode == Reading) {
        const ReadFrame& f = s.rframes.back();
        size_t count = 0;  // first counted: sections can be long
        for (size_t pos = f.begin; pos < f.end; ++count) {
            Entry e;
            if (!s.parseEntry(pos, f.end, e)) break;
            pos = e.end;
        }
        out.reserve(count);
        for (size_t pos = f.begin; pos < f.end;) {
            Entry e;
            if (!s.parseEntry(pos, f.end, e)) break;
            out.push_back(s.keyText(e.key));
            pos = e.end;
        }
    }
    return out;
}

size_t KvDataStore::getDepth() const {
    const Impl& s = *d_;
    if (s.mode == Writing) return s.wdepth - 1;
    if (s.mode == Reading) return s.rframes.size() - 1;
    return 0;
}

// --- entities

bool KvDataStore::writeEntity(Key key, const KvGenre* entity, bool shared) {
    return d_->writeEntity(key, entity, shared);
}

bool KvDataStore::completeEntry(Key key, bool shared) {
    Impl& s = *d_;
    if (s.mode != Writing) return false;
    WriteFrame& f = s.wframes[s.wdepth - 1];
    uint32_t k;
    if (!s.pool.find(key.c_str(), key.size(), k) || f.lastKey != k || !(f.lastEntryKind & kEntityBit)) return false;
    const uint8_t old = f.lastEntryKind;
    if (((old & kSharedBit) != 0) == shared) return true;
    if (shared && s.stored[f.lastEntryId]) return false;  // another record is the shared one
    s.stored[f.lastEntryId] = shared ? 1 : 0;
    f.lastEntryKind = static_cast<uint8_t>(shared ? old | kSharedBit : old & ~kSharedBit);
    s.patch(f.lastEntryPos, &old, &f.lastEntryKind, 1);
    return true;
}

bool KvDataStore::readEntity(Key key, KvGenre*& entity, bool shared) const {
    entity = nullptr;
    Entry e;
    if (!d_->lookup(key, e)) return false;
    return d_->readEntityEntry(e, key.c_str(), shared, entity);
}

KvGenre* KvDataStore::readEntity(Key key, bool shared) const {
    KvGenre* entity = nullptr;
    readEntity(key, entity, shared);
    return entity;
}

bool KvDataStore::bindKey(Key key, KvGenre* entity) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookup(key, e)) return false;
    if (e.isShared())
        s.objects[e.id] = entity;
    else
        s.entryBindings[e.pos] = entity;
    return true;
}

bool KvDataStore::bindKey(Key key, const KvString& identifier, KvGenre* entity) const {
    Impl& s = *d_;
    bool bound = bindKey(key, entity);
    unsigned long long id = 0;
    if (s.mode == Reading && identifier.getUint64(id) && id >= 1 && id <= s.idCount) {
        s.objects[static_cast<size_t>(id)] = entity;
        bound = true;
    }
    return bound;
}

KvString KvDataStore::getIdentifier(const KvGenre* entity) const {
    const Impl& s = *d_;
    if (!entity) return KvString("");
    if (s.mode == Writing) {
        uint32_t id = s.ids.find(entity);
        return id && s.stored[id] ? KvString::number(id) : KvString("");
    }
    if (s.mode == Reading) {
        for (size_t id = 1; id < s.objects.size(); ++id)
            if (s.objects[id] == entity) return KvString::number(static_cast<unsigned long long>(id));
    }
    return KvString("");
}

void KvDataStore::pushAlternateName(const KvString& name) const {
    if (!d_->readStack.empty() && !name.isNull()) d_->readStack.back().names.push_back(name);
}

KvGenre* KvDataStore::findByAlternateName(const KvString& name) const {
    auto it = d_->altNames.find(name.str());
    return it == d_->altNames.end() ? nullptr : it->second;
}

// --- references

bool KvDataStore::writeReference(Key key, const KvGenre* entity) {
    Impl& s = *d_;
    if (!s.canWrite()) return false;
    return s.writeFixed(kReference, key, entity ? s.idFor(entity) : 0);
}

bool KvDataStore::readReference(Key key, KvGenre*& entity) const {
    Impl& s = *d_;
    entity = nullptr;
    Entry e;
    if (!s.lookupKind(key, kReference, e)) return false;
    uint64_t id = 0;
    if (!s.decode(e, [&](Cursor& c) { return id = c.varint(), c.ok; })) return false;
    return s.resolve(id, true, entity);
}

bool KvDataStore::writeReferenceArray(Key key, const kv::vector<const KvGenre*>& entities, bool embed) {
    return d_->writeReferenceArray(key, entities, embed);
}

bool KvDataStore::readReferenceArray(Key key, kv::vector<KvGenre*>& entities, bool resolve) const {
    Impl& s = *d_;
    entities.clear();
    Entry e;
    std::vector<uint64_t> ids;
    if (!s.lookupKind(key, kReferenceArray, e) || !s.readIds(e, ids)) return false;
    entities.reserve(ids.size());
    for (uint64_t id : ids) {
        KvGenre* entity = nullptr;
        if (!s.resolve(id, resolve, entity)) return false;
        entities.push_back(entity);
    }
    return true;
}

// --- values

bool KvDataStore::writeBool(Key key, bool value) {
    Impl& s = *d_;
    if (!s.beginEntry(kBool, key)) return false;
    s.out.put(1);
    s.out.put(value ? 1 : 0);
    return true;
}

bool KvDataStore::readBool(Key key, bool& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kBool, e)) return false;
    return s.decode(e, [&](Cursor& c) { return value = c.byte() != 0, c.ok; });
}

bool KvDataStore::writeInt(Key key, long long value) { return d_->writeFixed(kInt, key, zigzag(value)); }

bool KvDataStore::readInt(Key key, long long& value) const { return d_->readSigned(key, value); }

bool KvDataStore::readInt(Key key, long& value) const {
    long long v;
    if (!d_->readSigned(key, v) || v < std::numeric_limits<long>::min() || v > std::numeric_limits<long>::max())
        return false;
    value = static_cast<long>(v);
    return true;
}

bool KvDataStore::readInt(Key key, int& value) const {
    long long v;
    if (!d_->readSigned(key, v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

bool KvDataStore::writeUInt32(Key key, uint32_t value) { return d_->writeFixed(kUInt, key, value); }

bool KvDataStore::readUInt32(Key key, uint32_t& value) const {
    uint64_t v;
    if (!d_->readUnsigned(key, v) || v > 0xFFFFFFFFu) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool KvDataStore::writeUInt64(Key key, uint64_t value) { return d_->writeFixed(kUInt, key, value); }

bool KvDataStore::readUInt64(Key key, unsigned long long& value) const {
    uint64_t v;
    if (!d_->readUnsigned(key, v)) return false;
    value = v;
    return true;
}

bool KvDataStore::readUInt64(Key key, unsigned long& value) const {
    uint64_t v;
    if (!d_->readUnsigned(key, v) || v > std::numeric_limits<unsigned long>::max()) return false;
    value = static_cast<unsigned long>(v);
    return true;
}

bool KvDataStore::writeDouble(Key key, double value) {
    Impl& s = *d_;
    if (!s.beginEntry(kDouble, key)) return false;
    s.out.put(8);
    s.out.putDouble(value);
    return true;
}

bool KvDataStore::readDouble(Key key, double& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookup(key, e)) return false;
    switch (e.kind()) {
        case kDouble:
            return s.decode(e, [&](Cursor& c) { return value = c.dbl(), c.ok; });
        case kInt:
            return s.decode(e, [&](Cursor& c) { return value = static_cast<double>(unzigzag(c.varint())), c.ok; });
        case kUInt:
            return s.decode(e, [&](Cursor& c) { return value = static_cast<double>(c.varint()), c.ok; });
        default:
            return false;
    }
}

bool KvDataStore::writeString(Key key, const KvString& value) {
    Impl& s = *d_;
    if (!s.beginEntry(value.isNull() ? kNullString : kString, key)) return false;
    s.out.putVarint(value.length());
    s.out.putBytes(value.getString(), value.length());
    return true;
}

bool KvDataStore::readString(Key key, KvString& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookup(key, e)) return false;
    if (e.kind() == kNullString) {
        value = KvString();
        return true;
    }
    if (e.kind() != kString) return false;
    value = KvString(reinterpret_cast<const char*>(s.d + e.payload), e.end - e.payload);
    return true;
}

bool KvDataStore::writeUInt32Array(Key key, const kv::vector<uint32_t>& values) {
    Impl& s = *d_;
    if (!s.beginEntry(kUIntArray, key)) return false;
    size_t p = s.beginPayload();
    s.out.putVarint(values.size());
    for (uint32_t v : values)
        s.out.putVarint(v);
    s.endPayload(p);
    return true;
}

bool KvDataStore::readUInt32Array(Key key, kv::vector<uint32_t>& values) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kUIntArray, e)) return false;
    kv::vector<uint32_t> out;
    bool fits = true;
    bool ok = s.decode(e, [&](Cursor& c) {
        uint64_t n;
        if (!c.count(n)) return false;
        out.reserve(static_cast<size_t>(n));
        for (uint64_t i = 0; i < n && c.ok; ++i) {
            uint64_t v = c.varint();
            if (v > 0xFFFFFFFFu) fits = false;
            out.push_back(static_cast<uint32_t>(v));
        }
        return c.ok;
    });
    if (!ok || !fits) return false;
    values.swap(out);
    return true;
}

bool KvDataStore::writeStringArray(Key key, const KvStringArray& values) {
    Impl& s = *d_;
    if (!s.beginEntry(kStringArray, key)) return false;
    size_t p = s.beginPayload();
    s.out.putVarint(values.size());
    for (const KvString& v : values)
        s.out.putString(v);
    s.endPayload(p);
    return true;
}

bool KvDataStore::readStringArray(Key key, KvStringArray& values) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kStringArray, e)) return false;
    KvStringArray out;
    bool ok = s.decode(e, [&](Cursor& c) {
        uint64_t n;
        if (!c.count(n)) return false;
        out.reserve(static_cast<size_t>(n));
        KvString v;
        for (uint64_t i = 0; i < n; ++i) {
            if (!c.string(v)) return false;
            out.push_back(v);
        }
        return true;
    });
    if (!ok) return false;
    values.swap(out);
    return true;
}

bool KvDataStore::writeKeyValueArray(Key key, const KvKeyValueArray& values) {
    Impl& s = *d_;
    if (!s.beginEntry(kKeyValueArray, key)) return false;
    size_t p = s.beginPayload();
    s.out.putVarint(values.size());
    for (const KvKeyValue& v : values) {
        s.out.putString(v.first);
        s.out.putString(v.second);
    }
    s.endPayload(p);
    return true;
}

bool KvDataStore::readKeyValueArray(Key key, KvKeyValueArray& values) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kKeyValueArray, e)) return false;
    KvKeyValueArray out;
    bool ok = s.decode(e, [&](Cursor& c) {
        uint64_t n;
        if (!c.count(n)) return false;
        out.reserve(static_cast<size_t>(n));
        KvKeyValue v;
        for (uint64_t i = 0; i < n; ++i) {
            if (!c.string(v.first) || !c.string(v.second)) return false;
            out.push_back(v);
        }
        return true;
    });
    if (!ok) return false;
    values.swap(out);
    return true;
}

bool KvDataStore::writeFlagArray(Key key, const kv::vector<bool>& values) {
    Impl& s = *d_;
    if (!s.beginEntry(kFlagArray, key)) return false;
    size_t p = s.beginPayload();
    s.out.putVarint(values.size());
    uint8_t bits = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i]) bits |= static_cast<uint8_t>(1u << (i % 8));
        if (i % 8 == 7) {
            s.out.put(bits);
            bits = 0;
        }
    }
    if (values.size() % 8) s.out.put(bits);
    s.endPayload(p);
    return true;
}

bool KvDataStore::readFlagArray(Key key, kv::vector<bool>& values) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kFlagArray, e)) return false;
    kv::vector<bool> out;
    bool ok = s.decode(e, [&](Cursor& c) {
        uint64_t n;
        if (!c.count(n, 8)) return false;
        out.reserve(static_cast<size_t>(n));
        uint8_t bits = 0;
        for (uint64_t i = 0; i < n && c.ok; ++i) {
            if (i % 8 == 0) bits = c.byte();
            out.push_back((bits >> (i % 8)) & 1);
        }
        return c.ok;
    });
    if (!ok) return false;
    values.swap(out);
    return true;
}

bool KvDataStore::writeIndex2(Key key, const KvIndex2& value) {
    Impl& s = *d_;
    if (!s.beginEntry(kIndex2, key)) return false;
    s.out.putVarint(varintSize(value.i()) + varintSize(value.j()));
    s.out.putVarint(value.i());
    s.out.putVarint(value.j());
    return true;
}

bool KvDataStore::readIndex2(Key key, KvIndex2& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kIndex2, e)) return false;
    return s.decode(e, [&](Cursor& c) {
        uint64_t i = c.varint();
        uint64_t j = c.varint();
        value.set(i, j);
        return c.ok;
    });
}

namespace {
void putColor(ByteSink& out, const KvColor& c) {
    out.putFloat(c.red());
    out.putFloat(c.green());
    out.putFloat(c.blue());
    out.putFloat(c.alpha());
}
KvColor getColor(Cursor& c) {
    float r = c.flt(), g = c.flt(), b = c.flt(), a = c.flt();
    return KvColor(r, g, b, a);
}
}  // namespace

bool KvDataStore::writeColor(Key key, const KvColor& value) {
    Impl& s = *d_;
    if (!s.beginEntry(kColor, key)) return false;
    s.out.put(16);
    putColor(s.out, value);
    return true;
}

bool KvDataStore::readColor(Key key, KvColor& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kColor, e)) return false;
    return s.decode(e, [&](Cursor& c) { return value = getColor(c), c.ok; });
}

bool KvDataStore::writeRenderSettings(Key key, const KvRenderSettings& v) {
    Impl& s = *d_;
    if (!s.beginEntry(kRenderSettings, key)) return false;
    size_t p = s.beginPayload();
    putColor(s.out, v.getSecondaryColor());
    for (uint64_t x :
         {uint64_t(v.getColorMode()), uint64_t(v.getSecondaryColorMode()), uint64_t(v.getDisplayStyle()),
          uint64_t(v.getRenderMode()), v.getIsolines().i(), v.getIsolines().j(), uint64_t(v.getTriangleDensity()),
          v.getLineDensity().i(), v.getLineDensity().j(), uint64_t(v.getLineWidth())})
        s.out.putVarint(x);
    s.endPayload(p);
    return true;
}

bool KvDataStore::readRenderSettings(Key key, KvRenderSettings& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kRenderSettings, e)) return false;
    return s.decode(e, [&](Cursor& c) {
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
        if (c.ok) value = v;  // fields added later follow and are skipped
        return c.ok;
    });
}

bool KvDataStore::writeXformMatrix(Key key, const KvXformMatrix& value) {
    Impl& s = *d_;
    if (!s.beginEntry(kXformMatrix, key)) return false;
    if (value.isIdentity()) {
        s.out.put(1);
        s.out.put(0);
    } else {
        s.out.putVarint(1 + 16 * 8);
        s.out.put(1);
        for (int i = 0; i < 16; ++i)
            s.out.putDouble(value.data()[i]);
    }
    return true;
}

bool KvDataStore::readXformMatrix(Key key, KvXformMatrix& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kXformMatrix, e)) return false;
    return s.decode(e, [&](Cursor& c) {
        uint8_t form = c.byte();
        if (form == 0) {
            value = KvXformMatrix();
            return c.ok;
        }
        double m[16];
        for (double& x : m)
            x = c.dbl();
        if (form != 1 || !c.ok) return false;
        value = KvXformMatrix(m);
        return true;
    });
}

bool KvDataStore::writeParamSet(Key key, const KvParamSet& value) {
    Impl& s = *d_;
    if (!s.beginEntry(kParamSet, key)) return false;
    size_t p = s.beginPayload();
    s.out.putString(value.name());
    s.out.putVarint(value.size());
    for (const KvParam& param : value) {
        s.out.putString(param.getName());
        s.out.putString(param.getValue());
        s.out.put(param.isModified() ? 1 : 0);
        s.out.putVarint(param.getDefinition().size());
        for (const KvString& def : param.getDefinition())
            s.out.putString(def);
    }
    s.endPayload(p);
    return true;
}

bool KvDataStore::readParamSet(Key key, KvParamSet& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kParamSet, e)) return false;
    return s.decode(e, [&](Cursor& c) {
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

bool KvDataStore::writeNotch(Key key, const KvNotch& value) { return d_->writeFixed(kNotch, key, value.getValue()); }

bool KvDataStore::readNotch(Key key, KvNotch& value) const {
    Impl& s = *d_;
    Entry e;
    if (!s.lookupKind(key, kNotch, e)) return false;
    return s.decode(e, [&](Cursor& c) { return value = KvNotch(c.varint()), c.ok; });
}

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
