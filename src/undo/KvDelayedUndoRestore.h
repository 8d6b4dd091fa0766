#pragma once

#include <KvDelayedFunction.h>

#include <cstdint>

class KvUndoCheckpoint;

// Applies one undo or redo from inside the action queue, so that the restore
// runs after every notification queued before it and the notifications it
// causes are delivered after it, in order, in the same run.
class KV_BASE_EXPORT KvDelayedUndoRestore : public KvDelayedFunction {
public:
    KvDelayedUndoRestore(KvUndoCheckpoint* checkpoint, uint64_t target);
    void execute() override;

protected:
    ~KvDelayedUndoRestore() override;

private:
    KvUndoCheckpoint* checkpoint_;  // not owned
    uint64_t target_;
};
