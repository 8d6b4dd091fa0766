#pragma once

#include <KvBase.h>
#include <KvBaseExport.h>

class KvAction;
class KvReplaceAction;
class KvSplitAction;
class KvJoinAction;
class KvUpdateAction;
class KvPurgeAction;
class KvAttributeAction;
class KvCosmeticAction;
class KvInfoAction;
class KvRefObject;
class KvUndoRefObject;

// Base of everything that can receive notifications. The handle...Action
// operations are the receiving end of queued actions: the queue calls the one
// that matches the action on each observer.
class KV_BASE_EXPORT KvObject : public KvGenre {
    KV_TYPE_HEADER(KvObject)
public:
    KvObject() = default;
    KvObject(const KvObject&) : KvGenre() {}
    KvObject& operator=(const KvObject&) { return *this; }
    // Makes the action queue drop whatever is still queued for this object.
    ~KvObject() override;

    virtual void handleReplaceAction(KvReplaceAction* action) = 0;
    virtual void handleSplitAction(KvSplitAction* action) = 0;
    virtual void handleJoinAction(KvJoinAction* action) = 0;
    virtual void handleUpdateAction(KvUpdateAction* action) = 0;
    virtual void handlePurgeAction(KvPurgeAction* action) = 0;
    virtual void handleAttributeAction(KvAttributeAction* action);
    virtual void handleCosmeticAction(KvCosmeticAction* action);
    virtual void handleInfoAction(KvInfoAction* action);
    virtual KvRefObject* castToRefObject() { return nullptr; }
    virtual KvUndoRefObject* castToUndoRefObject() { return nullptr; }
    virtual bool canUndo() const { return false; }

protected:
    // For a receiver that got an action from a source it does not follow:
    // stop observing that source.
    void handleBadAction(KvAction* action);
};
