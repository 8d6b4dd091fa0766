#pragma once

#include <KvNotch.h>
#include <KvUndoRefObjectState.h>
#include <KvUndoReference.h>
#include <KvVector.h>
#include <KvXformMatrix.h>

#include <QUuid>

class KvFrameworkEntityInstance;

// Undo state of a framework entity instance: its flag, entity, notch,
// transform, frameworks (root first) and identifier.
class KV_BASE_EXPORT KvFrameworkEntityInstanceState : public KvUndoRefObjectState {
public:
    explicit KvFrameworkEntityInstanceState(const KvFrameworkEntityInstance& instance);
    ~KvFrameworkEntityInstanceState() override;

    KvUndoObject* recreateObject() const override;
    // Moves observation and the reference to the entity of the state and sets
    // the path back; the cached transform stays.
    void restoreObject(KvUndoObject* obj) const override;
    bool isSame(const KvUndoState* other) const override;

private:
    friend class KvFrameworkEntityInstance;

    bool outdated_;
    KvUndoReference entity_;
    KvNotch notch_;
    KvXformMatrix xform_;
    kv::vector<KvUndoReference> frameworks_;
    QUuid uuid_;
};
