#pragma once

// The writing side of KvDataStore: builds the file in memory and puts it in
// place of the target in one step when finished.

#include "KvDataStoreIdMap.h"
#include "KvDataStoreKeyPool.h"

#include <KvDataStore.h>

#include <QFile>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class KvDataStoreWriter {
public:
    using Key = KvDataStore::Key;

    // Errors go to `store`'s report; a store that failed writes nothing more.
    // `failed` is the store's failed state.
    KvDataStoreWriter(const KvDataStore& store, const bool& failed);
    ~KvDataStoreWriter();
    KvDataStoreWriter(const KvDataStoreWriter&) = delete;
    KvDataStoreWriter& operator=(const KvDataStoreWriter&) = delete;

    // Opens the file the store is written to, beside the target.
    bool start(const KvString& path);
    // Writes the file with store version `version` and renames it over the
    // target; false (the target untouched) when the store failed.
    bool finish(uint32_t version);
    // Drops everything; the target stays as it was.
    void abandon();
    // The open sections, for error reports.
    KvString where() const;

    bool hasKey(const Key& key) const;
    bool openSection(const Key& key, bool shared);
    bool closeSection();
    kv::vector<KvString> listKeys() const;
    size_t depth() const { return depth_ - 1; }

    bool writeEntity(const Key& key, const KvGenre* entity, bool shared);
    bool completeEntry(const Key& key, bool shared);
    KvString identifier(const KvGenre* entity) const;
    bool writeReference(const Key& key, const KvGenre* entity);
    bool writeReferenceArray(const Key& key, const kv::vector<const KvGenre*>& entities, bool embed);

    bool writeBool(const Key& key, bool value);
    bool writeInt(const Key& key, long long value);
    bool writeUInt(const Key& key, uint64_t value);
    bool writeDouble(const Key& key, double value);
    bool writeString(const Key& key, const KvString& value);
    bool writeUInt32Array(const Key& key, const kv::vector<uint32_t>& values);
    bool writeStringArray(const Key& key, const KvStringArray& values);
    bool writeKeyValueArray(const Key& key, const KvKeyValueArray& values);
    bool writeFlagArray(const Key& key, const kv::vector<bool>& values);
    bool writeIndex2(const Key& key, const KvIndex2& value);
    bool writeColor(const Key& key, const KvColor& value);
    bool writeRenderSettings(const Key& key, const KvRenderSettings& value);
    bool writeXformMatrix(const Key& key, const KvXformMatrix& value);
    bool writeParamSet(const Key& key, const KvParamSet& value);
    bool writeNotch(const Key& key, uint64_t value);

private:
    static constexpr uint32_t NoKey = 0xFFFFFFFFu;
    static constexpr size_t NoPos = static_cast<size_t>(-1);

    struct Frame {
        size_t lenPos = NoPos;  // the length placeholder (none for the top)
        size_t contentStart = 0;
        uint32_t keyIdx = NoKey;
        uint32_t serial = 0;  // marks the keys used in this section
        size_t markLogStart = 0;
        bool embedded = false;  // the records written with a reference array
        size_t lastEntryPos = NoPos;
        uint8_t lastEntryKind = 0;
        uint32_t lastEntryId = 0;
        uint32_t lastKey = NoKey;
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
    struct Handler {
        KvEntityType* handler = nullptr;
        uint32_t typeIdx = 0;
    };

    bool canWrite() const { return !failed_; }
    void report(const KvString& message) const { store_.reportError(message); }

    // --- bytes: written through a pointer into the buffer, since a
    // push_back per byte was not inlined and cost a tenth of writing
    size_t pos() const { return static_cast<size_t>(w_ - t_->out.data()); }
    void ensure(size_t n) {
        if (static_cast<size_t>(wend_ - w_) < n) grow(n);
    }
    void grow(size_t n);
    void put(uint8_t b) {
        ensure(1);
        *w_++ = b;
    }
    void putVarint(uint64_t v) {
        ensure(10);
        putVarintRaw(v);
    }
    // Within room made beforehand (beginEntry leaves HeadRoom bytes).
    void putVarintRaw(uint64_t v) { w_ = putVarintAt(w_, v); }
    // Through a local pointer: a byte stored through w_ may alias w_ itself,
    // so the compiler reloaded and stored it around every byte.
    static uint8_t* putVarintAt(uint8_t* w, uint64_t v) {
        for (; v >= 0x80; v >>= 7)
            *w++ = static_cast<uint8_t>(v) | 0x80;
        *w++ = static_cast<uint8_t>(v);
        return w;
    }
    // An entry header (31 bytes at most) and a fixed-size payload.
    static constexpr size_t HeadRoom = 64;
    void putBytes(const void* p, size_t n);
    void putLE(uint64_t v, int bytes);
    void putDouble(double v);
    void putColor(const KvColor& c);
    void putString(const KvString& s);
    // The payload length placeholder, completed by endPayload.
    size_t beginPayload();
    void endPayload(size_t lenPos);

    // --- keys, sections and entries
    // `hash`, when given, is the key's hash in the pool.
    uint32_t internKey(const Key& key, const KvDataStoreKeyPool::Hash* hash = nullptr);
    struct KeyCacheSlot;
    uint32_t internNewKey(const Key& key, const KvDataStoreKeyPool::Hash* hash, KeyCacheSlot& slot);
    bool useKey(Frame& f, uint32_t k);
    void pushFrame(size_t lenPos, uint32_t keyIdx, bool embedded);
    void popFrame();
    bool beginEntry(uint8_t kind, const Key& key, int shared = -1);
    bool writeVarintEntry(uint8_t kind, const Key& key, uint64_t value);
    template <class Array, class One>
    bool writeArray(const Key& key, uint8_t kind, const Array& values, One one);
    uint32_t idFor(const KvGenre* entity);
    Handler handlerFor(const KvTypeId& type);

    // What grows with the file. A thread keeps the last set between
    // stores, so that saving again reuses memory instead of faulting in
    // fresh pages.
    struct Tables {
        std::vector<uint8_t> out;  // the file: its first pos() bytes
        KvDataStoreKeyPool keys;
        KvDataStoreIdMap ids;
        std::vector<uint8_t> stored;  // by identifier: the shared record is written
        // Per key: the serial of the section that used it last.
        std::vector<uint32_t> keyMark;
        // Per section serial: 1 while the section is open.
        std::vector<uint8_t> openSerial;
        // The previous store's key and entity counts: the next one is
        // usually about as big, and presized tables are never rehashed.
        size_t lastKeys = 0;
        size_t lastIds = 0;
        void clear();
        size_t footprint() const;
    };

    static thread_local std::unique_ptr<Tables> spare_;

    const KvDataStore& store_;
    const bool& failed_;
    KvString path_;
    QFile file_;
    std::unique_ptr<Tables> t_;
    uint8_t* w_ = nullptr;  // the next byte of t_->out to write
    uint8_t* wend_ = nullptr;
    // Keys are mostly string literals or the key a handler was given:
    // remembered by address, checked by content, to skip the hashing.
    struct KeyCacheSlot {
        const char* text = nullptr;
        uint32_t size = 0;
        uint32_t idx = 0;
        char head[16];  // the text, when it fits: checked without a trip to the pool
    };
    KeyCacheSlot keyCache_[64];
    // The key marks of an enclosing section that an inner one overwrites,
    // put back when the inner one closes.
    std::vector<std::pair<uint32_t, uint32_t>> markLog_;
    uint32_t nextSerial_ = 1;

    std::vector<Frame> frames_;  // the first depth_ are open; kept for their key lists
    size_t depth_ = 0;
    size_t floor_ = 1;  // sections below it belong to a reference array
    std::vector<PendingEntity> pending_;

    std::unordered_map<const void*, Handler> handlers_;
    uint64_t handlerGeneration_ = 0;
    const void* lastType_ = nullptr;
    Handler lastHandler_;
};
