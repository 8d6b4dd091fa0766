#pragma once

#include <KvBaseExport.h>
#include <KvLinkedList.h>

#include <cstddef>

class KvObject;
class KvObjectListIterator;

// Ordered list of raw object pointers; duplicates allowed. Holds no
// references.
class KV_BASE_EXPORT KvObjectList {
public:
    using List = kv::list<KvObject*>;
    using Position = List::Node*;

    KvObjectList() = default;
    KvObjectList(const KvObjectList&) = default;
    KvObjectList& operator=(const KvObjectList&) = default;
    virtual ~KvObjectList();

    virtual void append(KvObjectList& other);
    virtual bool append(KvObject* obj);
    virtual void removeFirst(KvObject* obj);
    // Removes the element at `it` (unless `it` is done) and moves `it` on.
    virtual void remove(KvObjectListIterator& it);
    virtual bool includes(KvObject* obj) const;
    virtual void clear();

    size_t getLength() const { return list_.size(); }
    // A new iterator, owned by the caller.
    KvObjectListIterator* getIterator() const;

protected:
    Position doAppend(KvObject* obj) { return list_.append(obj); }
    void doClear() { list_.clear(); }
    Position doRemove(Position pos) { return list_.remove(pos); }
    void doRemove(KvObject* obj) { list_.removeOne(obj); }
    const List& getList() const { return list_; }
    List& getList() { return list_; }

    friend class KvObjectListIterator;

private:
    List list_;
};
