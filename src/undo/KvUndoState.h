#pragma once

#include <KvBaseExport.h>
#include <KvTypeId.h>

#include <cstddef>
#include <cstdint>

class KvUndoObject;

// A snapshot of one undo object, taken when a checkpoint closes and kept by
// the object's monitor. A state never owns the object it describes; it can
// write itself back into a living object or build a new one.
class KV_BASE_EXPORT KvUndoState {
public:
    // Stamped with the sequence id of the open checkpoint (0 when none).
    explicit KvUndoState(const KvTypeId& objectType);
    KvUndoState(const KvUndoState&) = delete;
    KvUndoState& operator=(const KvUndoState&) = delete;
    virtual ~KvUndoState();

    // States come and go by the million: they live in KvUndoStatePool.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    // A new object in this state, or null when that cannot be done.
    virtual KvUndoObject* recreateObject() const = 0;
    // Writes the state into `obj`; does nothing for an object of another class.
    virtual void restoreObject(KvUndoObject* obj) const = 0;
    // Runs once every object of the restored step is back: a chance to relink.
    // The engine stops calling it for a class whose calls reach this empty
    // default, so an override should not end in it.
    virtual void postRestoreObject(KvUndoObject* obj) const;
    // True when `other` records the same value (the newer one is then dropped).
    virtual bool isSame(const KvUndoState* other) const;
    virtual bool supportsTranscendentValues() const;
    // Copies from `newest` the values that must be equal in every state.
    virtual void updateTranscendentValues(const KvUndoState* newest);

    uint64_t getSequenceId() const { return sequenceId_; }
    // Only the monitor calls this, when steps are merged.
    void resetSequenceId(uint64_t id) { sequenceId_ = id; }
    const KvTypeId& getObjectType() const { return objectType_; }

private:
    uint64_t sequenceId_;
    KvTypeId objectType_;
};
