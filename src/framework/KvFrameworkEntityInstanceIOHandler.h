#pragma once

#include <KvBaseExport.h>
#include <KvEntityType.h>

// Writes a framework entity instance as a section holding its record, and
// reads one back as the instance of the pair it names: the one that exists,
// or a new one that the store's KvFeiIOAttribute keeps alive.
class KV_BASE_EXPORT KvFrameworkEntityInstanceIOHandler : public KvEntityType {
public:
    ~KvFrameworkEntityInstanceIOHandler() override;

    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override;
    // True when it gives an instance.
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override;
};
