#pragma once

#include <KvUndoObject.h>

#include <atomic>
#include <cstdint>

// An undo object with a reference count of its own.
class KV_BASE_EXPORT KvUndoRefObject : public KvUndoObject {
    KV_TYPE_HEADER(KvUndoRefObject)
public:
    KvUndoRefObject() = default;
    KvUndoRefObject(const KvUndoRefObject& o) : KvUndoObject(o) {}

    void ref() const { count_.fetch_add(1, std::memory_order_acq_rel); }
    void unref() const {
        if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) const_cast<KvUndoRefObject*>(this)->destroy();
    }
    void unrefKeep() const { count_.fetch_sub(1, std::memory_order_acq_rel); }
    int getRefCount() const { return count_.load(std::memory_order_acquire); }
    KvUndoRefObject* castToUndoRefObject() override { return this; }

private:
    mutable std::atomic<int32_t> count_{0};
};
