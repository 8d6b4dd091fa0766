#pragma once

#include <KvUndoMonitor.h>

// The monitor of an object registered in isolation mode: it keeps the
// bookkeeping of a monitor but records and restores nothing.
class KV_BASE_EXPORT KvUndoIsolatedMonitor : public KvUndoMonitor {
public:
    // Throws "KvUndoIsolatedMonitor created with null object".
    static KvUndoIsolatedMonitor* create(KvUndoObject* obj, uint64_t creationSequenceId);

    void prepareToUpdate() override;
    bool updateState() override;
    void restore(uint64_t target) override;

protected:
    KvUndoIsolatedMonitor(KvUndoObject* obj, uint64_t creationSequenceId);
};
