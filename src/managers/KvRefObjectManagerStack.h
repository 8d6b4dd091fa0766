#pragma once

#include <KvRefObjectManager.h>
#include <KvUndoObject.h>
#include <KvVector.h>

#include <cstddef>

class KvRefObjectManagerModifiedCallback;
class KvRefObjectManagerStackState;

// Managers of one kind, bottom first. The bottom manager holds the document's
// objects and is never popped; a manager pushed above it collects objects
// (read from a file, say) until pop() merges them down or throws them away.
// The stack observes its managers and tells its callbacks when one changes.
class KV_BASE_EXPORT KvRefObjectManagerStack : public KvUndoObject {
    KV_TYPE_HEADER(KvRefObjectManagerStack)
public:
    ~KvRefObjectManagerStack() override;

    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;

    virtual KvRefObjectManager* createManager() = 0;

    // Both make a first manager when the stack is empty.
    KvRefObjectManager* top();
    KvRefObjectManager* bottom();
    size_t getSize() const { return managers_.size(); }
    bool isBaseMgr(KvRefObjectManager* manager);
    void push(KvRefObjectManager* manager);
    // A new manager that continues the top one's identifiers, holding copies
    // of its objects when `copyObjects` is set.
    KvRefObjectManager* push(bool copyObjects);
    void pop(KvRefObjectManager::MergeStyle style);
    void addModifierCallback(KvRefObjectManagerModifiedCallback* callback);
    void removeModifierCallback(KvRefObjectManagerModifiedCallback* callback);

    const kv::vector<KvRefObjectManager*>& getManagers() const { return managers_; }

protected:
    KvRefObjectManagerStack();
    explicit KvRefObjectManagerStack(const KvRefObjectManagerStackState& state);
    // Writes a state back: the managers it names, observed.
    void getStackData(const KvRefObjectManagerStackState& state);

private:
    friend class KvRefObjectManagerStackState;

    kv::vector<KvRefObjectManager*> managers_;
    kv::vector<KvRefObjectManagerModifiedCallback*> callbacks_;
};
