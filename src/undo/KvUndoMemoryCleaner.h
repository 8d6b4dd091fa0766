#pragma once

#include <KvBaseExport.h>
#include <KvMemoryCleaner.h>

// Gives memory back by forgetting old undo steps when the process runs short.
// One instance is registered while the library is loaded.
class KV_BASE_EXPORT KvUndoMemoryCleaner : public KvMemoryCleaner {
public:
    KvUndoMemoryCleaner();
    ~KvUndoMemoryCleaner() override;
    bool clean() override;
};
