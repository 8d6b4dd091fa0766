#pragma once

#include <KvObjectListIterator.h>
#include <KvObservedObject.h>

// Cursor over the observers of one object, in the order they were added.
class KV_BASE_EXPORT KvObserverIterator {
public:
    // Throws "NULL object for iterator" for a null object.
    explicit KvObserverIterator(const KvObservedObject* obj);
    ~KvObserverIterator();
    KvObserverIterator(const KvObserverIterator&) = delete;
    KvObserverIterator& operator=(const KvObserverIterator&) = delete;

    void first() { it_->first(); }
    bool isDone() const { return it_->isDone(); }
    void next() { it_->next(); }
    KvObject* getCurrent() const { return it_->currentItem(); }

private:
    const KvObservedObject* obj_;
    KvObjectListIterator* it_;
};
