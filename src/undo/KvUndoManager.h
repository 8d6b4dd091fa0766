#pragma once

#include <KvBaseExport.h>
#include <KvRefPtr.h>
#include <KvString.h>
#include <KvTypeId.h>
#include <KvUndoObjectMap.h>
#include <KvVector.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class KvDelayedFunction;
class KvUndoCheckpoint;
class KvUndoMonitor;
class KvUndoObject;
class KvUndoReference;

// One record of the stack of undo levels.
struct KvUndoLevel {
    bool disabled;
    uint64_t stepLimit;
    uint64_t baseSequenceId;  // the level's own steps have at least this id
};

// The state behind the KvUndo functions: one instance, made on first use and
// deleted when the library is unloaded. See KvUndo.h for how it works.
class KV_BASE_EXPORT KvUndoManager {
public:
    // The instance, made on demand; null once the library is unloading.
    static KvUndoManager* get() { return instance_ ? instance_ : create(); }
    // The instance if it was ever made and still exists.
    static KvUndoManager* existing() { return instance_; }
    // The sequence id of the open checkpoint, 0 when none is open.
    static uint64_t openSequenceId();

    void setMaxSteps(uint64_t n);
    uint64_t getMaxSteps() const;
    void setIsolationMode(bool on) { isolation_ = on; }
    bool getIsolationMode() const { return isolation_; }

    void objectCreated(KvUndoObject* obj);
    void objectChanged(KvUndoObject* obj);
    void objectDestroyed(KvUndoObject* obj);

    void mark(const KvString& description);
    void collapseOpenCheckpoint();
    bool undo();
    bool redo();
    void getUndoList(kv::vector<KvString>& list);
    void getRedoList(kv::vector<KvString>& list);
    void pushUndoLevel();
    void popUndoLevel(const KvString& description);
    void truncate();
    bool releaseOldSteps();

    bool isRestoring() const { return restoring_; }
    void addDelayedUndoAction(KvDelayedFunction* f);
    void addPostUndoAction(KvDelayedFunction* f);

    KvUndoReference reference(const KvUndoObject* obj);
    KvUndoObject* dereference(const KvUndoReference& ref);
    KvTypeId getReferenceTypeId(const KvUndoReference& ref);
    void remapMonitor(KvUndoMonitor* monitor);
    void removeMonitor(KvUndoMonitor* monitor);

    uint64_t getCurrentSequenceId() const { return currentSequenceId_; }
    size_t getNumCheckpoints() const { return checkpoints_.size(); }

    // resetCachedValues() on every registered object whose class does
    // something in it, in address order.
    void resetCachedValues();
    // The empty defaults of an undo object's hooks (prerestore, postrestore,
    // resetCachedValues) note the object they ran for: a hook the engine saw
    // reach its default for the object itself need not be called again.
    static void defaultHookReached(const KvUndoObject* obj) { defaultHookOf_ = obj; }
    static void clearDefaultHook() { defaultHookOf_ = nullptr; }
    static bool reachedDefaultHook(const KvUndoObject* obj) { return defaultHookOf_ == obj; }

private:
    friend class KvUndoManagerOwner;
    KvUndoManager();
    ~KvUndoManager();
    static KvUndoManager* create();
    KvUndoManager(const KvUndoManager&) = delete;
    KvUndoManager& operator=(const KvUndoManager&) = delete;

    // Counts a running engine operation for the memory cleaner's sake.
    struct Busy {
        explicit Busy(KvUndoManager& m) : m(m) { ++m.busy_; }
        ~Busy() {
            if (m.busy_ > 0) --m.busy_;
        }
        KvUndoManager& m;
    };

    KvUndoLevel& level() { return levels_.back(); }
    const KvUndoLevel& level() const { return levels_.back(); }
    bool hasRedoSteps() const;
    size_t inLevelCount() const;
    KvUndoMonitor* makeMonitor(KvUndoObject* obj, uint64_t creationSequenceId, bool isolated);
    void openOnDemand();
    bool pruneRedo();
    void close();
    void foldOpen();
    void dropCheckpoint(KvUndoCheckpoint* cp);
    void deleteAbove(uint64_t sequenceId);
    void enforceLimit(uint64_t limit);
    bool releaseOldest();
    void giveBaselines();
    void forgetAll();
    bool applyRestore(KvUndoCheckpoint* cp, uint64_t target);
    static void runDeferred(kv::vector<KvRefPtr<KvDelayedFunction>>& list);

    bool restoring_ = false;
    bool isolation_ = false;
    uint64_t undoFloor_ = 1;
    uint64_t nextSequenceId_ = 2;
    uint64_t currentSequenceId_ = 0;
    uint64_t busy_ = 0;
    KvUndoCheckpoint* open_ = nullptr;
    kv::vector<KvUndoCheckpoint*> checkpoints_;  // owned, newest first
    KvUndoObjectMap monitors_;
    std::vector<KvUndoLevel> levels_;
    kv::vector<KvRefPtr<KvDelayedFunction>> postUndoActions_;
    kv::vector<KvRefPtr<KvDelayedFunction>> delayedUndoActions_;
    bool closing_ = false;  // states are being taken
    bool quiet_ = false;    // a dereference is rebuilding an object

    static KvUndoManager* instance_;
    static bool unloaded_;
    static const KvUndoObject* defaultHookOf_;
};
