#pragma once

#include <KvBaseExport.h>
#include <KvRefCount.h>
#include <KvTypeId.h>
#include <KvUndoManager.h>
#include <KvUndoObject.h>
#include <KvUndoState.h>
#include <KvUndoStateList.h>
#include <KvVector.h>

#include <cstddef>
#include <cstdint>
#include <typeinfo>
#include <vector>

// The history of one undo object: its states, newest first, each stamped with
// the sequence id of the step that took it; the steps that created and
// destroyed it; and the object itself while it exists.
//
// A monitor outlives its object. Checkpoints and the engine's registry hold
// it (counted references); KvUndoReference handles keep it too, apart from
// those. When the last holder goes and handles remain, the states are dropped
// and the monitor stays as a name for the object until the last handle goes.
class KV_BASE_EXPORT KvUndoMonitor {
    friend class KvUndoCheckpoint;

public:
    // Throws "KvUndoMonitor created with null object".
    static KvUndoMonitor* create(KvUndoObject* obj, uint64_t creationSequenceId);

    KvUndoMonitor(const KvUndoMonitor&) = delete;
    KvUndoMonitor& operator=(const KvUndoMonitor&) = delete;

    // Refreshes the incidental flag and lets the object prepare its state.
    virtual void prepareToUpdate();
    // Records a new state; false when nothing changed.
    virtual bool updateState();
    // Brings the object to the state current at `target`.
    virtual void restore(uint64_t target);
    virtual void dump() const;
    virtual ~KvUndoMonitor();

    // Counted holders.
    void ref() const { refs_.ref(); }
    void unref() const;
    void unrefKeep() const { refs_.unrefKeep(); }
    bool isShared() const { return refs_.isShared(); }
    int getRefCount() const { return refs_.getRefCount(); }
    // KvUndoReference handles.
    void useByReference() const { handles_.ref(); }
    void unuseByReference() const;

    // The restore passes run these for every object of a step: inline. Most
    // classes keep the empty hooks; once this object was seen to, the passes
    // no longer touch it, which at a million objects is most of their cost.
    void prerestore(uint64_t target) {
        pending_ = nullptr;
        restoreFlag_ = false;
        if (target == currentSequenceId_ || !object_ || noPrerestore_) return;
        KvUndoManager::clearDefaultHook();
        restoreFlag_ = object_->prerestore();
        noPrerestore_ = KvUndoManager::reachedDefaultHook(object_);
    }
    void postrestore() {
        const KvUndoState* pending = pending_;
        bool flag = restoreFlag_;
        pending_ = nullptr;
        restoreFlag_ = false;
        if (!object_) return;
        if (!noPostrestore_) {
            KvUndoManager::clearDefaultHook();
            object_->postrestore(flag);
            noPostrestore_ = KvUndoManager::reachedDefaultHook(object_);
        }
        if (pending) {
            quietStateRan_ = nullptr;
            pending->postRestoreObject(object_);
            if (quietStateRan_ == pending) learnQuietState(*pending);
        }
    }
    // After restore(): true when postrestore() has something to do. When not,
    // leaves the monitor as postrestore() would, and the step's last pass
    // need not visit it.
    bool needsPostrestore() {
        if (object_ && (!noPostrestore_ || (pending_ && !isQuietState(*pending_)))) return true;
        pending_ = nullptr;
        restoreFlag_ = false;
        return false;
    }
    // True when prepareToUpdate() would call no hook of the object.
    bool skipsPrepare() const { return !object_ || noPrepare_; }
    // Before prerestore(): true when it would call no hook of the object.
    bool skipsPrerestore() const { return !object_ || noPrerestore_; }
    // Counts the objects rebuilt from states: a step that found every object
    // without a prerestore hook can trust that while the count stands.
    static uint64_t rebuilds() { return rebuilds_; }
    // The empty default of KvUndoState::postRestoreObject() notes the state
    // it ran for.
    static void quietStateReached(const KvUndoState* state) { quietStateRan_ = state; }
    // Records the object's destruction in step `seq`; true when the object
    // was created in that same step.
    bool markDestroyed(uint64_t seq);
    // The object goes without the history recording it.
    void objectDestroyed() { object_ = nullptr; }
    // Merges the states of steps from..to into one stamped `from`; true when
    // the object lived only inside that range.
    bool compress(uint64_t from, uint64_t to);
    // Step `seq` is discarded from the redo end; true when the monitor has
    // nothing left to do in the history.
    bool pruneAfter(uint64_t seq);
    // Step `seq`, the oldest, is released; true when the monitor has nothing
    // left to do in the history.
    bool pruneBefore(uint64_t seq);
    bool isIncidental() const;
    KvTypeId getObjectTypeId() const;
    // Forgets the object and deletes the monitor.
    void destroy();

    KvUndoObject* getObject() const { return object_; }
    size_t getNumStates() const { return states_.size(); }
    const KvUndoState* getStateAt(size_t i) const { return states_[i]; }
    uint64_t getCurrentSequenceId() const { return currentSequenceId_; }
    uint64_t getCreationSequenceId() const { return creationSequenceId_; }
    uint64_t getDestructionSequenceId() const { return destructionSequenceId_; }
    bool isDestroyed() const { return destructionSequenceId_ != 0; }
    bool isTemporary() const { return destructionSequenceId_ == creationSequenceId_; }

protected:
    KvUndoMonitor(KvUndoObject* obj, uint64_t creationSequenceId);
    // State classes whose postRestoreObject() was seen to be the empty
    // default; a class is a property of all its states.
    static void learnQuietState(const KvUndoState& state);
    static bool isQuietState(const KvUndoState& state) {
        const std::type_info* type = &typeid(state);
        return type == lastQuietState_ || isQuietType(type);
    }
    static bool isQuietType(const std::type_info* type);
    void deleteAllStates();
    void pushState(KvUndoState* state);

private:
    // Bits, so that the flags and openStep_ share the monitor's first word.
    bool incidental_ : 1;
    bool restoreFlag_ : 1;
    // The object's hooks were seen to be the empty defaults.
    bool noPrerestore_ : 1;
    bool noPostrestore_ : 1;
    bool noPrepare_ : 1;  // isIncidental() and prepareToSaveState()
    // The serial of the open checkpoint whose set holds this monitor, 0 for
    // none: the checkpoint's membership test on every change.
    uint32_t openStep_ = 0;
    uint64_t currentSequenceId_;
    uint64_t creationSequenceId_;
    uint64_t destructionSequenceId_ = 0;
    KvUndoObject* object_;
    const KvUndoState* pending_ = nullptr;
    KvRefCount refs_;
    KvRefCount handles_;
    static uint64_t rebuilds_;
    static const KvUndoState* quietStateRan_;
    static const std::type_info* lastQuietState_;  // the one last found quiet
    // Owned, newest first. Not a shared vector: this is the hottest list of
    // the history, and copy-on-write would be paid on every push.
    KvUndoStateList states_;
};
