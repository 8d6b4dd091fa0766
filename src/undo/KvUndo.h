#pragma once

#include <KvBaseExport.h>

class KvUndoObject;

// The process-wide undo engine.
// TODO(undo): the engine itself; for now nothing is ever restored.
class KV_BASE_EXPORT KvUndo {
public:
    static bool isRestoring();
    static void objectChanged(KvUndoObject* obj);
};
