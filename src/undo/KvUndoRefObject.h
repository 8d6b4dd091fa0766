#pragma once

#include <KvRefCounted.h>
#include <KvUndoObject.h>

class KvUndoRefObjectState;

// An undo object with a reference count of its own. The unref() that takes
// the count from 1 to 0 calls destroy(); undo and redo remove such an object
// through destroy() as well.
class KV_BASE_EXPORT KvUndoRefObject : public KvUndoObject, public KvRefCounted<KvUndoRefObject, KvLastUnref::Destroy> {
    KV_TYPE_HEADER(KvUndoRefObject)
public:
    KvUndoRefObject();
    // A copy starts unshared.
    KvUndoRefObject(const KvUndoRefObject& o);
    ~KvUndoRefObject() override;

    KvUndoRefObject* castToUndoRefObject() override { return this; }

protected:
    // For recreateObject(): not registered.
    explicit KvUndoRefObject(const KvUndoRefObjectState& state);
};
