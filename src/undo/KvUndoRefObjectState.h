#pragma once

#include <KvUndoState.h>

class KvUndoRefObject;

// Base of the states of reference-counted undo objects.
class KV_BASE_EXPORT KvUndoRefObjectState : public KvUndoState {
public:
    explicit KvUndoRefObjectState(const KvUndoRefObject& obj);
    ~KvUndoRefObjectState() override;
};
