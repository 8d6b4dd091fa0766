#pragma once

#include <cstddef>
#include <new>
#include <utility>

// Doubly linked list with stable nodes. Removed nodes go to a free list of
// the list's own, so a list that is filled and emptied over and over (a
// queue) stops allocating once it has reached its largest size.
template <class T>
class KvLinkedList {
public:
    struct Node {
        T value;
        Node* prev;
        Node* next;
    };

    KvLinkedList() = default;
    KvLinkedList(const KvLinkedList& o) { append(o); }
    KvLinkedList& operator=(const KvLinkedList& o) {
        if (this != &o) {
            clear();
            append(o);
        }
        return *this;
    }
    KvLinkedList(KvLinkedList&& o) noexcept { swap(o); }
    KvLinkedList& operator=(KvLinkedList&& o) noexcept {
        swap(o);
        return *this;
    }
    ~KvLinkedList() {
        clear();
        while (free_) {
            Node* n = free_;
            free_ = n->next;
            ::operator delete(n);
        }
    }

    void swap(KvLinkedList& o) noexcept {
        std::swap(head_, o.head_);
        std::swap(tail_, o.tail_);
        std::swap(size_, o.size_);
        std::swap(free_, o.free_);
    }

    size_t size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }
    Node* first() const { return head_; }
    Node* last() const { return tail_; }

    Node* append(const T& v) { return insertBefore(nullptr, v); }
    Node* prepend(const T& v) { return insertBefore(head_, v); }
    void append(const KvLinkedList& o) {
        for (Node* n = o.head_; n; n = n->next)
            append(n->value);
    }
    // Inserts before `pos` (at the end for null).
    Node* insertBefore(Node* pos, const T& v) {
        Node* n = allocNode(v);
        n->next = pos;
        n->prev = pos ? pos->prev : tail_;
        (n->prev ? n->prev->next : head_) = n;
        (pos ? pos->prev : tail_) = n;
        ++size_;
        return n;
    }
    // Unlinks `n` and returns the node that followed it.
    Node* remove(Node* n) {
        Node* next = n->next;
        (n->prev ? n->prev->next : head_) = n->next;
        (n->next ? n->next->prev : tail_) = n->prev;
        --size_;
        n->value.~T();
        n->next = free_;
        free_ = n;
        return next;
    }
    // Removes and returns the first value (the list must not be empty).
    T takeFirst() {
        T v = std::move(head_->value);
        remove(head_);
        return v;
    }
    Node* find(const T& v) const {
        for (Node* n = head_; n; n = n->next)
            if (n->value == v) return n;
        return nullptr;
    }
    bool removeOne(const T& v) {
        Node* n = find(v);
        if (!n) return false;
        remove(n);
        return true;
    }
    void clear() {
        while (head_)
            remove(head_);
    }

private:
    Node* allocNode(const T& v) {
        Node* n;
        if (free_) {
            n = free_;
            free_ = free_->next;
        } else {
            n = static_cast<Node*>(::operator new(sizeof(Node)));
        }
        try {
            new (&n->value) T(v);
        } catch (...) {
            n->next = free_;
            free_ = n;
            throw;
        }
        return n;
    }

    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    size_t size_ = 0;
    Node* free_ = nullptr;
};

namespace kv {
template <class T>
using list = KvLinkedList<T>;
}
