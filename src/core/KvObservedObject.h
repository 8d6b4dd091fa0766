#pragma once

#include <KvActionObject.h>
#include <KvActionQueue.h>
#include <KvObject.h>
#include <KvObjectUniqueList.h>

#include <cstdint>

class KvAction;
class KvDeleteAction;
class KvMapper;

// Something others can watch. A change is never delivered from here: it is
// described as an action and one delivery per observer is queued on the
// process-wide action queue, which calls the observers later in FIFO order.
// So no observer code runs while the observer list is walked, and observers
// may add or remove observers (themselves included) from their handlers.
//
// Life: alive -> dying (destroy(): purge actions queued, then a delete
// action) -> deleted (by the queue, after every normal delivery). A dying
// object sends nothing new.
class KV_BASE_EXPORT KvObservedObject : public KvObject {
    KV_TYPE_HEADER(KvObservedObject)
public:
    KvObservedObject() : dying_(false), deletedByQueue_(false), refObject_(false), doomQueued_(0) {}
    KvObservedObject(const KvObservedObject& o)
        : KvObject(o), dying_(false), deletedByQueue_(false), refObject_(false), doomQueued_(0) {}
    KvObservedObject& operator=(const KvObservedObject&) { return *this; }
    ~KvObservedObject() override;

    // False for the object itself and for an observer already present.
    virtual bool addObserver(KvObject* obj) const;
    virtual void removeObserver(KvObject* obj) const;
    virtual void updateObservers(const KvMapper* mapper, KvActionObject originator);
    virtual void updateObservers(KvActionObject originator = KvActionObject());
    virtual void sendCosmeticUpdate(KvActionObject originator = KvActionObject());
    virtual void handleDeleteAction(KvDeleteAction* action);
    virtual void destroy();

    void notifyObservers(KvAction* action, KvActionObject originator);
    bool isObserver(KvObject* obj) const { return observers_.includes(obj); }
    // Forgets observers that were deleted while still on the list.
    void dropStaleObservers() const {
        if (KvStaleObservers::any()) dropStale();
    }
    size_t getNumObservers() const { return observers_.getLength(); }
    bool isDying() const { return dying_; }
    // True once the action queue is deleting the object.
    bool isDeletedByQueue() const { return deletedByQueue_; }

protected:
    virtual void preNotification() {}
    virtual void preDestroy() {}

    // Queues `action` for each observer that is not `originator` and takes no
    // part in undo (the engine restores those itself), then processes the
    // queue, whether or not anything was queued. Without an action, an update
    // about the object is made for the first observer that takes one: most
    // objects that a restore touches have none.
    void notifyNonUndoObservers(KvAction* action, KvActionObject originator) {
        notifyNonUndoObservers(this, action, originator);
    }
    // The same for the observers of `obj` (a bridge speaks for its object).
    static void notifyNonUndoObservers(KvObservedObject* obj, KvAction* action, KvActionObject originator) {
        if (action || obj->getNumObservers() > 0)
            tellNonUndoObservers(obj, action, originator);
        else
            KvActionQueue::process();  // most objects a restore touches: nobody to tell
    }
    bool broadcastAction(KvAction* action, KvActionObject originator);
    void notifyPurge();
    // Sends `action` (made only when there are observers) the way an update
    // goes: to the non-undo observers while undo restores, else to all.
    void dispatch(KvAction* action, KvActionObject originator);

private:
    friend class KvObserverIterator;
    friend class KvActionQueue;
    friend class KvAction;
    friend class KvRefObject;
    static void tellNonUndoObservers(KvObservedObject* obj, KvAction* action, KvActionObject originator);
    // notifyObservers() for any number of observers, a dying object included.
    KV_NOINLINE void notifyMany(KvAction* action, KvActionObject originator);
    void dropStale() const;
    // These share the word that KvObject leaves free after its list count.
    bool dying_ : 1;
    // Set by handleDeleteAction: the queue deletes the object, as it should.
    bool deletedByQueue_ : 1;
    // Set while a KvRefObject is alive around this object: an action then
    // keeps it through its count without a virtual castToRefObject() (final
    // there), which every notification would pay for.
    bool refObject_ : 1;
    // Delete entries queued with this object as their source; kept by the
    // queue, so that deleting the object some other way can cancel them.
    uint32_t doomQueued_ : 29;
    mutable KvObjectUniqueList observers_;
};
