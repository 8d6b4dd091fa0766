#pragma once

#include <KvObjectList.h>

// Cursor over an object list, in list order.
class KV_BASE_EXPORT KvObjectListIterator {
public:
    explicit KvObjectListIterator(const KvObjectList* list) : list_(list) {}
    KvObjectListIterator(const KvObjectListIterator&) = default;
    KvObjectListIterator& operator=(const KvObjectListIterator&) = default;

    void first() { node_ = list_ ? list_->getList().first() : nullptr; }
    bool isDone() const { return node_ == nullptr; }
    void next() {
        if (node_) node_ = node_->next;
    }
    KvObject* currentItem() const { return node_ ? node_->value : nullptr; }
    size_t getLength() const { return list_ ? list_->getLength() : 0; }

private:
    friend class KvObjectList;
    friend class KvObjectUniqueList;
    const KvObjectList* list_;
    KvObjectList::Position node_ = nullptr;
};
