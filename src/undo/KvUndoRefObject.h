#pragma once

#include <KvUndoObject.h>

#include <atomic>
#include <cstdint>

class KvUndoRefObjectState;

// An undo object with a reference count of its own. The unref() that takes
// the count from 1 to 0 calls destroy(); undo and redo remove such an object
// through destroy() as well.
class KV_BASE_EXPORT KvUndoRefObject : public KvUndoObject {
    KV_TYPE_HEADER(KvUndoRefObject)
public:
    KvUndoRefObject();
    // A copy starts unshared.
    KvUndoRefObject(const KvUndoRefObject& o);
    ~KvUndoRefObject() override;

    void ref() const { count_.fetch_add(1, std::memory_order_acq_rel); }
    void unref() const {
        if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) const_cast<KvUndoRefObject*>(this)->destroy();
    }
    // Drops a reference without ever destroying.
    void unrefKeep() const { count_.fetch_sub(1, std::memory_order_acq_rel); }
    int getRefCount() const { return count_.load(std::memory_order_acquire); }
    KvUndoRefObject* castToUndoRefObject() override { return this; }

protected:
    // For recreateObject(): not registered.
    explicit KvUndoRefObject(const KvUndoRefObjectState& state);

private:
    mutable std::atomic<int32_t> count_{0};
};
