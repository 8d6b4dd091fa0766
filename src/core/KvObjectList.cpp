#include <KvObjectList.h>

#include <KvObjectListIterator.h>

KvObjectList::~KvObjectList() { list_.clear(); }

void KvObjectList::append(KvObjectList& other) {
    if (&other == this) {
        List copy = other.list_;
        for (auto* n = copy.first(); n; n = n->next)
            append(n->value);
        return;
    }
    for (auto* n = other.list_.first(); n; n = n->next)
        append(n->value);
}

bool KvObjectList::append(KvObject* obj) {
    doAppend(obj);
    return true;
}

void KvObjectList::removeFirst(KvObject* obj) { doRemove(obj); }

void KvObjectList::remove(KvObjectListIterator& it) {
    if (it.isDone()) return;
    it.node_ = doRemove(it.node_);
}

bool KvObjectList::includes(KvObject* obj) const { return list_.find(obj) != nullptr; }

void KvObjectList::clear() { doClear(); }

KvObjectListIterator* KvObjectList::getIterator() const { return new KvObjectListIterator(this); }
