#pragma once

#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvUndoObservedObjectDatum.h>

#include <cstddef>

// An undoable pointer that also holds a reference on its object when that
// object is a KvRefObject.
class KV_BASE_EXPORT KvUndoRefObjectDatum : public KvUndoObservedObjectDatum {
    KV_TYPE_HEADER(KvUndoRefObjectDatum)
public:
    KvUndoRefObjectDatum();
    explicit KvUndoRefObjectDatum(KvRefObject* obj);
    KvUndoRefObjectDatum(const KvUndoRefObjectDatum& o);
    ~KvUndoRefObjectDatum() override;
    KvUndoRefObjectDatum& operator=(const KvUndoRefObjectDatum& o);

    virtual void set(KvRefObject* obj);
    void set(KvObservedObject* obj) override;
    void set(std::nullptr_t) { set(static_cast<KvObservedObject*>(nullptr)); }

    void handlePurgeAction(KvPurgeAction* action) override;

private:
    friend class KvUndoRefObjectDatumState;
    // Holds `obj` instead of the current object and hands back the reference
    // to the old one, which the caller lets go once the change is complete.
    KvRefPtr<KvRefObject> hold(KvObservedObject* obj);

    KvRefPtr<KvRefObject> held_;  // the held object, when it is a KvRefObject
};
