#pragma once

#include <KvTypesExport.h>

// Process-wide worker thread limit, on top of tbb::global_control.
class KV_TYPES_EXPORT KvTbbControl {
public:
    // Sets up the default limit once; `force` resets it to the default.
    static void init(bool force);
    // The limit in force (never 0).
    static int getActiveNumThreads();
    // The hardware's default concurrency.
    static int getDefaultNumThreads();
    // `n` < 1 means the default. `force` replaces a limit already set.
    static void setNumThreads(int n, bool force);
};
