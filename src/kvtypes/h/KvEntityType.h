#pragma once

#include <KvTypesExport.h>

class KvDataStore;
class KvGenre;

// Writes and reads the entities of one type for the data store. A handler is
// registered with KvDataStore::addEntityType; the store calls it for every
// entity of that type (or of a descendant type without a handler of its own).
//
// write() stores `entity` under `key` in the store's current section: as one
// value or as a section it opens, passing `shared` on to openSection() (or
// completeEntry()). read() reads the entry under `key` of the current section
// back into a new entity (reference count 0) and sets `entity`; it reports
// problems with KvDataStore::reportError. Both return false on failure.
class KV_TYPES_EXPORT KvEntityType {
public:
    KvEntityType() = default;
    KvEntityType(const KvEntityType&) = delete;
    KvEntityType& operator=(const KvEntityType&) = delete;
    virtual ~KvEntityType();

    virtual bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) = 0;
    virtual bool read(const KvDataStore& store, const char* key, KvGenre*& entity) = 0;
};
