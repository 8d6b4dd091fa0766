#pragma once

#include <KvRefObjectManager.h>

class KvDataStore;
class KvRefObjectManagerModifiedCallback;
class KvSharedParamSetManagerStack;
class KvSharedParamSetManagerState;

// The manager of shared parameter sets. The statics act on the process-wide
// stack of such managers, held in an undo datum so that undo restores which
// stack is current; the top manager is the current one. A file read pushes a
// manager for the file's sets (loadStart) and pops it when done (loadFinish),
// merging the sets down or not.
class KV_BASE_EXPORT KvSharedParamSetManager : public KvRefObjectManager {
    KV_TYPE_HEADER(KvSharedParamSetManager)
public:
    KvSharedParamSetManager();
    explicit KvSharedParamSetManager(const KvSharedParamSetManagerState& state);
    ~KvSharedParamSetManager() override;

    KvUndoState* getState() const override;

    KvString getName(KvRefObject* obj) override;
    size_t getId(KvRefObject* obj) const override;
    bool isBaseMgr() const override;

    // Once per process, at library start-up.
    static void init();
    static KvSharedParamSetManagerStack* getStack();
    static KvSharedParamSetManager* getCurrentMgr();
    static void loadStart(const KvDataStore& store);
    static void loadFinish(bool merge);
    static void save(KvDataStore& store);
    // Deletes every set of the current manager.
    static void reset();
    static void addModifierCallback(KvRefObjectManagerModifiedCallback* callback);
    static void removeModifierCallback(KvRefObjectManagerModifiedCallback* callback);

protected:
    KvString getObjectBaseName() override;
    KvRefObject* newObject(const KvRefObject* src) override;
    bool doSetObjectName(KvRefObject* obj, const KvString& name) const override;
    void doSetObjectId(KvRefObject* obj, size_t id) const override;
    bool doSetObject(KvRefObject* dst, KvRefObject* src) const override;
    bool isSameObject(KvRefObject* a, KvRefObject* b) const override;
    KvUndoReference referenceObject(KvRefObject* obj) override;
    KvRefObject* dereferenceObject(KvUndoReference ref) const override;

private:
    friend class KvSharedParamSetManagerState;
    // A manager holding the sets of the store's "SharedParamSets" section.
    explicit KvSharedParamSetManager(const KvDataStore& store);
};
