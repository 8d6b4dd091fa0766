#pragma once

// The reading side of KvDataStore: loads the whole file, checks its checksum
// and its complete structure, then serves reads from the bytes in memory.

#include <KvDataStore.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class KvDataStoreCursor;

class KvDataStoreReader {
public:
    using Key = KvDataStore::Key;

    // Errors and notes go to `store`'s report.
    explicit KvDataStoreReader(const KvDataStore& store);
    KvDataStoreReader(const KvDataStoreReader&) = delete;
    KvDataStoreReader& operator=(const KvDataStoreReader&) = delete;

    // Reads and checks the whole file; false, with a report, when it cannot
    // be read or is not a sound data store file.
    bool open(const KvString& path);
    void close();
    uint32_t storeVersion() const { return version_; }
    // The entered sections, and the name of the entity being read, for
    // error reports.
    KvString where() const;
    KvString readingName() const;

    bool hasKey(const Key& key);
    bool enterSection(const Key& key);
    bool closeSection();
    kv::vector<KvString> listKeys();
    size_t depth() const { return frames_.size() - 1; }

    bool readEntity(const Key& key, KvGenre*& entity, bool shared);
    bool bindKey(const Key& key, KvGenre* entity);
    bool bindIdentifier(const KvString& identifier, KvGenre* entity);
    KvString identifier(const KvGenre* entity) const;
    void pushAlternateName(const KvString& name);
    KvGenre* findByAlternateName(const KvString& name) const;
    bool readReference(const Key& key, KvGenre*& entity);
    bool readReferenceArray(const Key& key, kv::vector<KvGenre*>& entities, bool resolve);

    bool readBool(const Key& key, bool& value);
    // Integers of either sign that fit [min, max].
    bool readSigned(const Key& key, long long& value, long long min, long long max);
    bool readUnsigned(const Key& key, uint64_t& value, uint64_t max);
    bool readDouble(const Key& key, double& value);
    bool readString(const Key& key, KvString& value);
    bool readUInt32Array(const Key& key, kv::vector<uint32_t>& values);
    bool readStringArray(const Key& key, KvStringArray& values);
    bool readKeyValueArray(const Key& key, KvKeyValueArray& values);
    bool readFlagArray(const Key& key, kv::vector<bool>& values);
    bool readIndex2(const Key& key, KvIndex2& value);
    bool readColor(const Key& key, KvColor& value);
    bool readRenderSettings(const Key& key, KvRenderSettings& value);
    bool readXformMatrix(const Key& key, KvXformMatrix& value);
    bool readParamSet(const Key& key, KvParamSet& value);
    bool readNotch(const Key& key, uint64_t& value);

private:
    static constexpr uint32_t NoKey = 0xFFFFFFFFu;

    // An entry as found in the file: header fields and payload bounds.
    struct Entry {
        size_t pos = 0;  // kind byte
        uint8_t kb = 0;
        uint32_t key = 0;
        uint32_t type = 0;
        uint64_t id = 0;
        size_t payload = 0;
        size_t end = 0;

        uint8_t kind() const { return kb & 0x1F; }
        bool isEntity() const { return kb & 0x20; }
        bool isShared() const { return (kb & 0x60) == 0x60; }
    };
    struct Frame {
        size_t begin;
        size_t end;
        size_t cursor;
        uint32_t keyIdx;
        // Built for a section searched out of order.
        std::unique_ptr<std::unordered_map<std::string_view, size_t>> index;
    };
    // Where the shared record of an entity is: the entry and its section.
    struct Location {
        size_t pos = 0;
        size_t begin = 0;
        size_t end = 0;
    };

    void report(const KvString& message) const { store_.reportError(message); }
    void note(const KvString& message) const;
    bool damaged(size_t pos, const char* what);

    bool readFile(const KvString& path);
    bool checkHeader();
    bool checkStructure();
    bool checkPayload(const Entry& e, std::vector<std::pair<size_t, size_t>>& todo);

    KvString keyText(uint32_t idx) const;
    std::string_view keyView(uint32_t idx) const;
    // The entry at `pos`, a place checkStructure found an entry at: read
    // without checks.
    void entryAt(size_t pos, Entry& e) const {
        const uint8_t* p = d_ + pos;
        e.pos = pos;
        e.kb = *p++;
        e.key = static_cast<uint32_t>(takeVarint(p));
        e.type = 0;
        e.id = 0;
        if (e.kb & 0x20) {
            e.type = static_cast<uint32_t>(takeVarint(p));
            e.id = takeVarint(p);
        }
        const uint64_t len = takeVarint(p);
        e.payload = static_cast<size_t>(p - d_);
        e.end = e.payload + static_cast<size_t>(len);
    }
    static uint64_t takeVarint(const uint8_t*& p) {
        uint64_t v = *p++;
        if (v < 0x80) return v;
        v &= 0x7F;
        for (int shift = 7;; shift += 7) {
            const uint8_t b = *p++;
            v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
    }
    bool lookup(const Key& key, Entry& e);
    // The entry under `key` when it is of `kind`; a note when it is not.
    bool lookupKind(const Key& key, uint8_t kind, Entry& e);
    bool wrongKind(const Key& key, const Entry& e, const char* wanted);
    template <class Fn>
    bool decode(const Entry& e, Fn fn);
    template <class Array, class One>
    bool readArray(const Key& key, uint8_t kind, Array& values, One one);
    bool readInteger(const Key& key, const Entry& e, bool& negative, uint64_t& magnitude);

    KvEntityType* handlerFor(uint32_t typeIdx);
    bool readEntityEntry(const Entry& e, const char* key, bool shared, KvGenre*& out);
    bool resolve(uint64_t id, bool forward, KvGenre*& out);
    bool readIds(const Entry& e, std::vector<uint64_t>& out);
    void indexRecords();

    // What grows with the file, kept per thread between stores so that
    // reading again reuses memory instead of faulting in fresh pages.
    struct Tables;
    void swapTables(Tables& t);
    static thread_local std::unique_ptr<Tables> spare_;

    const KvDataStore& store_;
    KvString path_;
    bool damageReported_ = false;
    uint32_t version_ = 0;

    // Bytes left uninitialised when the buffer grows: the file is read
    // over them.
    template <class T>
    struct Uninitialised : std::allocator<T> {
        template <class U>
        struct rebind {
            using other = Uninitialised<U>;
        };
        using std::allocator<T>::allocator;
        template <class U>
        void construct(U* p) noexcept {
            ::new (static_cast<void*>(p)) U;
        }
        template <class U, class... A>
        void construct(U* p, A&&... a) {
            ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
        }
    };
    using Bytes = std::vector<uint8_t, Uninitialised<uint8_t>>;

    Bytes bytes_;  // the whole file
    const uint8_t* d_ = nullptr;
    size_t bodyEnd_ = 0;
    std::vector<std::pair<size_t, size_t>> strings_;  // offset, length
    uint64_t idCount_ = 0;
    std::vector<Frame> frames_;
    size_t floor_ = 1;  // frames below it belong to the entity reads under way

    std::vector<KvGenre*> objects_;    // by identifier
    std::vector<uint8_t> inProgress_;  // by identifier
    std::vector<Location> locations_;  // by identifier, once indexed
    bool indexed_ = false;
    std::unordered_map<size_t, KvGenre*> entryBindings_;  // records without identity
    std::vector<std::vector<KvString>> readStack_;        // per entity read: its alternate names
    std::unordered_map<std::string, KvGenre*> altNames_;
    std::vector<std::pair<uint32_t, KvEntityType*>> handlers_;  // type name index, handler (few)
    uint64_t handlerGeneration_ = 0;
    int nesting_ = 0;
};
