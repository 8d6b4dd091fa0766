#pragma once

#include <KvTypesExport.h>

class KvMemoryCleaner;

// Registry of memory cleaners. They run when an allocation fails (through a
// std::new_handler installed by KvTypes::init, retried while a cleaner frees
// something) and on request through runCleaningFunctions().
class KV_TYPES_EXPORT KvAllocator {
public:
    static void addCleaningFunction(KvMemoryCleaner* cleaner);
    static void removeCleaningFunction(KvMemoryCleaner* cleaner);
    // Runs every cleaner once; true when any of them freed something.
    static bool runCleaningFunctions();
    static int getNumCleaningFunctions();
    static void installNewHandler();
};
