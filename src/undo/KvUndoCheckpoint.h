#pragma once

#include <KvBaseExport.h>
#include <KvString.h>
#include <KvUndoMonitorSet.h>

#include <cstddef>
#include <cstdint>

class KvUndoMonitor;

// One undoable step: the monitors of the objects that changed in it. Only the
// engine uses it.
//
// While open it collects monitors as objects change. Closing takes the states
// (updateStates), and a monitor whose object ends the step as it began it is
// dropped again. Changes made while the states are being taken (an object
// whose getState() touches another) land in a "late" set and are folded in
// before the states are read, so no state is taken of a half-updated model.
//
// Each checkpoint has a serial, and a monitor in its set carries that serial
// (KvUndoMonitor::openStep_, until another checkpoint takes the monitor), so
// that "is it in this step already?", asked on every change, is one compare.
class KV_BASE_EXPORT KvUndoCheckpoint {
protected:
    friend class KvUndoManager;
    friend class KvDelayedUndoRestore;

    explicit KvUndoCheckpoint(uint64_t sequenceId);
    KvUndoCheckpoint(const KvUndoCheckpoint&) = delete;
    KvUndoCheckpoint& operator=(const KvUndoCheckpoint&) = delete;
    ~KvUndoCheckpoint();

    // Room for `n` monitors: a step tends to touch as many objects as the one
    // before it.
    void reserve(size_t n) { monitors_.reserve(n); }
    void add(KvUndoMonitor* monitor);
    void destroy(KvUndoMonitor* monitor);
    size_t getNumObjects() const { return monitors_.size(); }
    uint64_t getSequenceId() const { return sequenceId_; }
    const KvString& getDescription() const { return description_; }
    void setDescription(const KvString& description) { description_ = description; }
    bool isUpdating() const { return updating_; }
    bool isIncidental();
    // Takes over the monitors of the newer `other` and folds their states.
    void merge(KvUndoCheckpoint* other);
    void pruneAfter();
    // Releases the step as the oldest; leaves the set empty, as the engine
    // deletes the checkpoint next.
    void pruneBefore();
    void restore(uint64_t target);
    void updateStates();
    void dump() const {}
    // True once after the serials ran out and started again: the engine then
    // calls forgetSerial() on every older checkpoint, so that no monitor
    // carries a serial that a new checkpoint could be given again.
    static bool serialsWrapped();
    void forgetSerial();

private:
    bool holds(const KvUndoMonitor* m) const;
    void hold(KvUndoMonitor* m);
    // Lets go of a monitor leaving the set, with its reference.
    void release(KvUndoMonitor* m);

    bool updating_ = false;
    // The last restore found no monitor of the set with a prerestore hook to
    // call; true until a monitor joins or an object is rebuilt.
    bool noPrerestore_ = false;
    // A monitor of the set has prepareToSaveState() or isIncidental() hooks
    // to call before the states are taken (or was not seen to have none).
    bool prepareNeeded_ = false;
    uint32_t serial_;
    uint64_t rebuildsSeen_ = 0;
    uint64_t rebuildsAtOpen_;
    uint64_t sequenceId_;
    KvString description_;
    KvUndoMonitorSet monitors_;  // one reference each
    KvUndoMonitorSet late_;      // one reference each
    KvUndoMonitorSet dropped_;   // no references
};
