#pragma once

#include <KvUndoRefObjectState.h>

class KvFrameworkBase;

// Base of the undo states of the application's frameworks.
class KV_BASE_EXPORT KvFrameworkBaseState : public KvUndoRefObjectState {
public:
    explicit KvFrameworkBaseState(const KvFrameworkBase& framework);
    ~KvFrameworkBaseState() override;
};
