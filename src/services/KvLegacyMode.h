#pragma once

#include <KvBaseExport.h>
#include <KvString.h>

// One process-wide switch that selects an older release's behaviour, for
// example while an old script is replayed. Set on the main thread at start-up.
class KV_BASE_EXPORT KvLegacyMode {
public:
    enum Version { V180 = 0, V182 = 1, V183 = 2, V184 = 3, V185 = 4, V221 = 5, Current = 6 };

    KvLegacyMode() = delete;

    static Version getVersion();
    static void setVersion(Version version);

    // Values outside the enumeration read as "Current".
    static KvString toString(Version version);
    // Exact, case-sensitive match; anything else gives Current with `ok` false.
    static Version fromString(const KvString& text, bool* ok = nullptr);
};
