#pragma once

// The process-wide registrations of the data store: entity handlers by type
// and by stored type name, and the version new stores are written with.
// Stores cache what they looked up and compare generation() to know when a
// registration changed.

#include <KvString.h>
#include <KvTypeId.h>

#include <cstdint>
#include <string>

class KvEntityType;

class KvDataStoreRegistry {
public:
    struct Resolved {
        KvEntityType* handler = nullptr;
        KvString name;  // the type name the handler was found under
    };

    static void setCurrentVersion(uint32_t version);
    static uint32_t currentVersion();
    static uint64_t generation();

    static void add(const KvTypeId& type, KvEntityType* handler);
    static void add(const KvString& name, KvEntityType* handler);
    // The registration nearest to `type`: its own or an ancestor's, by type
    // or by the type's name.
    static Resolved resolve(const KvTypeId& type);
    // A registration under `name`, or the handler of the type of that name.
    static KvEntityType* resolve(const std::string& name);
};
