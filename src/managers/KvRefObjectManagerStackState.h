#pragma once

#include <KvUndoReference.h>
#include <KvUndoState.h>
#include <KvVector.h>

class KvRefObjectManagerStack;

// The managers of a stack, bottom first, as undo references.
class KV_BASE_EXPORT KvRefObjectManagerStackState : public KvUndoState {
public:
    explicit KvRefObjectManagerStackState(const KvRefObjectManagerStack& stack);
    ~KvRefObjectManagerStackState() override;

    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    const kv::vector<KvUndoReference>& getManagers() const { return managers_; }

private:
    kv::vector<KvUndoReference> managers_;
};
