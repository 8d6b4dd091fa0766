#pragma once

#include <KvTypesExport.h>

// Placeholder until the data store lands.
class KV_TYPES_EXPORT KvDataStore {
public:
    static void initType(int code);
};
