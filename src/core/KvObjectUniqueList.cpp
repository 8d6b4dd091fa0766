#include <KvObjectUniqueList.h>

#include <KvObjectListIterator.h>

#include <algorithm>

KvObjectUniqueList::KvObjectUniqueList(const KvObjectUniqueList& o) : KvObjectList(o) {
    if (o.index_) buildHash(getLength());
}

KvObjectUniqueList& KvObjectUniqueList::operator=(const KvObjectUniqueList& o) {
    if (this != &o) {
        destroyHash();
        KvObjectList::operator=(o);
        if (o.index_) buildHash(getLength());
    }
    return *this;
}

KvObjectUniqueList::~KvObjectUniqueList() { destroyHash(); }

void KvObjectUniqueList::buildHash(size_t capacity) {
    index_ = std::make_unique<QHash<KvObject*, Position>>();
    index_->reserve(static_cast<int>(std::max(capacity, getLength())));
    for (Position n = getList().first(); n; n = n->next)
        index_->insert(n->value, n);
}

bool KvObjectUniqueList::append(KvObject* obj) {
    if (includes(obj)) return false;
    Position pos = doAppend(obj);
    if (index_)
        index_->insert(obj, pos);
    else if (getLength() >= kBuildIndexAt)
        buildHash(getLength());
    return true;
}

void KvObjectUniqueList::append(KvObjectList& other) {
    if (!index_ && getLength() + other.getLength() >= kBuildIndexAt) buildHash(getLength() + other.getLength());
    // Walk a copy: `other` may be this list.
    KvObjectListIterator it(&other);
    List items;
    for (it.first(); !it.isDone(); it.next())
        items.append(it.currentItem());
    for (Position n = items.first(); n; n = n->next)
        append(n->value);
}

bool KvObjectUniqueList::includes(KvObject* obj) const {
    if (index_) return index_->contains(obj);
    return KvObjectList::includes(obj);
}

void KvObjectUniqueList::remove(KvObject* obj) {
    if (index_) {
        auto it = index_->find(obj);
        if (it != index_->end()) {
            doRemove(it.value());
            index_->erase(it);
        }
    } else {
        doRemove(obj);
    }
    dropIndexIfShort();
}

void KvObjectUniqueList::removeFirst(KvObject* obj) { remove(obj); }

void KvObjectUniqueList::remove(KvObjectListIterator& it) {
    if (it.isDone()) return;
    if (index_) index_->remove(it.currentItem());
    KvObjectList::remove(it);
    dropIndexIfShort();
}

void KvObjectUniqueList::clear() {
    destroyHash();
    KvObjectList::clear();
}
