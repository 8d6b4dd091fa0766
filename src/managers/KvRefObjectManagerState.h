#pragma once

#include <KvUndoReference.h>
#include <KvUndoState.h>
#include <KvVector.h>

#include <cstddef>

class KvRefObjectManager;

// A manager's next identifier and its held objects, as identifiers and undo
// references in list order (holes left out). Concrete managers derive a state
// that rebuilds a manager of their class.
class KV_BASE_EXPORT KvRefObjectManagerState : public KvUndoState {
public:
    explicit KvRefObjectManagerState(KvRefObjectManager& manager);
    ~KvRefObjectManagerState() override;

    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

    size_t getNextId() const { return nextId_; }
    const kv::vector<size_t>& getIds() const { return ids_; }
    const kv::vector<KvUndoReference>& getReferences() const { return refs_; }

private:
    size_t nextId_;
    kv::vector<size_t> ids_;
    kv::vector<KvUndoReference> refs_;
};
