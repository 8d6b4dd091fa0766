#pragma once

#include <KvObservedObject.h>

// An object whose changes can be undone.
// TODO(undo): registration with the engine, states.
class KV_BASE_EXPORT KvUndoObject : public KvObservedObject {
    KV_TYPE_HEADER(KvUndoObject)
public:
    KvUndoObject() = default;
    bool canUndo() const override { return true; }

protected:
    void preNotification() override;
};
