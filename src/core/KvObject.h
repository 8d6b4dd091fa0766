#pragma once

#include <KvBase.h>
#include <KvBaseExport.h>
#include <KvStaleObservers.h>

#include <cstddef>
#include <cstdint>
#include <new>

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
    KvObject() {
        if (KvStaleObservers::any()) KvStaleObservers::reborn(this);
    }
    KvObject(const KvObject&) : KvGenre() {
        if (KvStaleObservers::any()) KvStaleObservers::reborn(this);
    }
    KvObject& operator=(const KvObject&) { return *this; }
    // Makes the action queue drop whatever is still queued for this object,
    // and the observer lists it is still on forget it (KvStaleObservers).
    ~KvObject() override;

    // An observer deleted while still registered keeps its memory until the
    // lists have dropped it, so that no new object takes its address. The
    // allocation functions are the global ones, declared here to pair with it.
    // They are defined out of line: inlined, GCC takes the pair for a mismatch.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, std::align_val_t al);
    static void* operator new(std::size_t size, const std::nothrow_t& t) noexcept;
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void operator delete(void* p, std::size_t size);
    static void operator delete(void* p, std::size_t size, std::align_val_t al);

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

private:
    friend class KvObservedObject;
    friend class KvStaleObservers;
    // The observer lists this object is on.
    mutable uint32_t observing_ = 0;
};
