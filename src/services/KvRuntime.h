#pragma once

#include <KvBaseExport.h>
#include <KvParamSet.h>

// What scripts and the user interface may read about the running program:
// its name, version, machine and standard folders, as one parameter set.
class KV_BASE_EXPORT KvRuntime {
public:
    KvRuntime() = delete;

    // Filled on first use; main thread.
    static const KvParamSet& getParams();
};
