#pragma once

#include <KvColor.h>
#include <KvIndex2.h>
#include <KvNotch.h>
#include <KvParamSet.h>
#include <KvRenderSettings.h>
#include <KvString.h>
#include <KvTypeId.h>
#include <KvTypesExport.h>
#include <KvVector.h>
#include <KvXformMatrix.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

class KvDataStoreAttribute;
class KvEntityType;
class KvGenre;

// A file of keyed sections, values and entities (docs/datastore-format.md).
//
// A store is either written (create ... close, which writes the file) or read
// (open, which reads the whole file and checks its checksum and structure). Both work on a current
// section: keys are unique within a section and keep the order in which they
// were written. Reading works on a const store.
//
// Entities are written and read by the handler (KvEntityType) registered for
// their type. A shared entity record is the entity's identity in the file:
// references to the entity resolve to it, also references written before the
// record (a reference to a record not read yet reads it on the spot), and
// reading it twice gives the same object. The store never owns the entities
// it reads: they come back with whatever count their handler leaves them
// with (0 for reference-counted objects), and the caller must keep them alive
// while the store may still hand them out.
//
// Reads return false for a missing key or a value of another kind. A value of
// another kind (or one that does not fit the type read) adds a message to the
// error report without failing the store, since callers may try another kind.
// Misuse fails the store with a message: writing a store that is not being
// written, reading one that is not being read, writing a null entity.
// Callers report their own read errors with reportError, which also fails the
// store. A store that failed while written does not touch its file on close.
class KV_TYPES_EXPORT KvDataStore {
public:
    // A key: a view of NUL-terminated text, made from the usual string types.
    class Key {
    public:
        Key(const char* text) : p_(text ? text : ""), n_(text ? std::strlen(text) : 0) {}
        Key(const KvString& text) : p_(text.getString()), n_(text.length()) {}
        Key(const std::string& text) : p_(text.c_str()), n_(text.size()) {}
        const char* c_str() const { return p_; }
        size_t size() const { return n_; }

    private:
        const char* p_;
        size_t n_;
    };

    enum Mode { Idle, Writing, Reading };

    // The version of the file layout this build writes and reads.
    static constexpr uint32_t FormatVersion = 2;

    KvDataStore();
    // Deletes the store's attributes, in the order they were added.
    ~KvDataStore();
    KvDataStore(const KvDataStore&) = delete;
    KvDataStore& operator=(const KvDataStore&) = delete;

    // --- process-wide registrations
    // Sets the version that new stores are written with (the application's
    // data revision); readers see it through getVersion().
    static void initType(int currentVersion);
    static uint32_t getCurrentVersion();
    // Registers `handler` for entities of `type` and its descendants, or for
    // records stored under `name`; a later registration of the same key
    // replaces it; null removes it. Handlers live until the process ends.
    static void addEntityType(const KvTypeId& type, KvEntityType* handler);
    static void addEntityType(const KvString& name, KvEntityType* handler);
    // The handler for a type: its own registration or the nearest ancestor's.
    static KvEntityType* getEntityType(const KvTypeId& type);
    // The handler for a stored type name: a registration under the name, or
    // the handler of the type of that name (through its ancestors).
    static KvEntityType* getEntityType(const KvString& name);

    // --- file
    // Starts writing; nothing reaches `path` before close().
    bool create(const KvString& path);
    // Reads and checks the whole file; false, with a report, for a file that
    // is missing, foreign, from a newer format, truncated or damaged. Once
    // open, no read meets a broken structure.
    bool open(const KvString& path);
    // Writing: writes the file (atomically, replacing it) unless the store
    // failed, and tells whether it did. Reading: lets go of the file's data
    // and of the entities read. Attributes stay until the store is deleted.
    bool close();
    Mode getMode() const;
    const KvString& getPath() const;

    // The store version: the one being written, or the one read from the
    // file. setVersion works while writing (what readers will see) and while
    // reading (what the reading code is told).
    uint32_t getVersion() const;
    void setVersion(uint32_t version);

    // --- failure and error report
    bool hasFailed() const;
    // Adds `message` to the report, exactly as given, and fails the store.
    void reportError(const KvString& message) const;
    // The messages as reported, first first.
    const kv::vector<KvString>& getErrors() const;
    // One line per message, each followed by where it happened.
    KvString getErrorReport() const;

    // --- sections
    bool hasKey(Key key) const;
    // Writing: starts a new section under `key` (false if the key is taken).
    // When the section is the record of the entity being written, `shared`
    // makes it the entity's shared record; handlers pass on their flag.
    bool openSection(Key key, bool shared = false);
    // Reading: enters the section under `key`. Writing: as openSection.
    bool enterSection(Key key) const;
    // Back to the enclosing section; false at the top.
    bool closeSection() const;
    // The current section's keys in the order they were written.
    kv::vector<KvString> listKeys() const;
    // 0 at the top.
    size_t getDepth() const;

    // --- entities
    // Writes `entity` through its handler. With `shared`, an entity that
    // already has its shared record in the file is written as a link to it.
    bool writeEntity(Key key, const KvGenre* entity, bool shared = true);
    // Makes the entry just written under `key` the entity's shared record or
    // not. The store records entities by itself; this is the explicit step
    // for handlers that write plain values.
    bool completeEntry(Key key, bool shared);
    // Reads the entity under `key` through the handler of its stored type.
    // With `shared`, a record already read gives the same object again and
    // the object read becomes the target of references to the record;
    // without, every read makes a new object that nothing refers to.
    bool readEntity(Key key, KvGenre*& entity, bool shared = true) const;
    KvGenre* readEntity(Key key, bool shared = true) const;
    // Reading: from now on the record under `key` (and, for the second form,
    // the entity of `identifier`) stands for `entity`.
    bool bindKey(Key key, KvGenre* entity) const;
    bool bindKey(Key key, const KvString& identifier, KvGenre* entity) const;
    // The entity's identifier in this store: non-empty once its shared
    // record is written, or for an entity read from or bound to a record.
    KvString getIdentifier(const KvGenre* entity) const;
    // Names under which the entity being read can be found once its read
    // succeeds (findByAlternateName); the latest also marks error reports.
    void pushAlternateName(const KvString& name) const;
    KvGenre* findByAlternateName(const KvString& name) const;

    // --- references (null is allowed; a reference to an entity whose
    // shared record the file does not hold reads as null)
    bool writeReference(Key key, const KvGenre* entity);
    bool readReference(Key key, KvGenre*& entity) const;
    // With `embed`, the shared records of elements not stored yet are
    // written with the array (the array is where they are kept).
    bool writeReferenceArray(Key key, const kv::vector<const KvGenre*>& entities, bool embed = false);
    template <class T>
    bool writeReferenceArray(Key key, const kv::vector<T*>& entities, bool embed = false) {
        kv::vector<const KvGenre*> all;
        all.reserve(entities.size());
        for (T* e : entities)
            all.push_back(e);
        return writeReferenceArray(key, all, embed);
    }
    // With `resolve`, elements whose records were not read yet are read now;
    // without, they come back null.
    bool readReferenceArray(Key key, kv::vector<KvGenre*>& entities, bool resolve = true) const;

    // --- values
    bool writeBool(Key key, bool value);
    bool readBool(Key key, bool& value) const;
    bool writeInt(Key key, long long value);
    bool readInt(Key key, int& value) const;
    bool readInt(Key key, long& value) const;
    bool readInt(Key key, long long& value) const;
    bool writeUInt32(Key key, uint32_t value);
    bool readUInt32(Key key, uint32_t& value) const;
    bool writeUInt64(Key key, uint64_t value);
    bool readUInt64(Key key, unsigned long& value) const;
    bool readUInt64(Key key, unsigned long long& value) const;
    bool writeDouble(Key key, double value);
    bool readDouble(Key key, double& value) const;
    // A null string reads back null, an empty one empty.
    bool writeString(Key key, const KvString& value);
    bool readString(Key key, KvString& value) const;
    bool writeUInt32Array(Key key, const kv::vector<uint32_t>& values);
    bool readUInt32Array(Key key, kv::vector<uint32_t>& values) const;
    bool writeStringArray(Key key, const KvStringArray& values);
    bool readStringArray(Key key, KvStringArray& values) const;
    bool writeKeyValueArray(Key key, const KvKeyValueArray& values);
    bool readKeyValueArray(Key key, KvKeyValueArray& values) const;
    bool writeFlagArray(Key key, const kv::vector<bool>& values);
    bool readFlagArray(Key key, kv::vector<bool>& values) const;
    bool writeIndex2(Key key, const KvIndex2& value);
    bool readIndex2(Key key, KvIndex2& value) const;
    bool writeColor(Key key, const KvColor& value);
    bool readColor(Key key, KvColor& value) const;
    bool writeRenderSettings(Key key, const KvRenderSettings& value);
    bool readRenderSettings(Key key, KvRenderSettings& value) const;
    bool writeXformMatrix(Key key, const KvXformMatrix& value);
    bool readXformMatrix(Key key, KvXformMatrix& value) const;
    bool writeParamSet(Key key, const KvParamSet& value);
    bool readParamSet(Key key, KvParamSet& value) const;
    bool writeNotch(Key key, const KvNotch& value);
    bool readNotch(Key key, KvNotch& value) const;

    // --- attributes (owned by the store, deleted with it)
    // The first attribute that is of `type` (or a descendant).
    KvDataStoreAttribute* getAttribute(const KvTypeId& type) const;
    KvDataStoreAttribute* getAttribute(const KvString& typeName) const;
    // Takes ownership; null and attributes already held are ignored.
    void addAttribute(KvDataStoreAttribute* attribute) const;

private:
    struct Impl;
    friend class KvDataStoreAttribute;
    friend class KvDataStoreReader;
    void forgetAttribute(const KvDataStoreAttribute* attribute) const;
    // Adds `message` to the report without failing the store.
    void note(const KvString& message) const;

    std::unique_ptr<Impl> d_;
};
