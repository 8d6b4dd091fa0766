#pragma once

#include <KvBaseExport.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class KvUndoState;

// The states of one monitor, newest first; the list does not own them.
//
// Most objects keep one or two states (a baseline and the last change). Those
// sit inside the list itself, so the restore passes, which visit every
// monitor of a step, do not miss the cache once more on a separate array, and
// the history spends no allocation on them. The list is as large as a
// std::vector.
class KV_BASE_EXPORT KvUndoStateList {
public:
    KvUndoStateList() = default;
    KvUndoStateList(const KvUndoStateList&) = delete;
    KvUndoStateList& operator=(const KvUndoStateList&) = delete;
    ~KvUndoStateList() { freeArray(); }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    KvUndoState* operator[](size_t i) const { return data()[i]; }
    KvUndoState* front() const { return data()[0]; }
    KvUndoState* back() const { return data()[size_ - 1]; }
    KvUndoState* const* begin() const { return data(); }
    KvUndoState* const* end() const { return data() + size_; }

    void pushFront(KvUndoState* s) {
        if (size_ == capacity_) grow();
        KvUndoState** d = data();
        std::memmove(d + 1, d, size_ * sizeof(KvUndoState*));
        d[0] = s;
        ++size_;
    }
    void popBack() {
        --size_;
        if (onHeap() && size_ <= kInline) settle();
    }
    void eraseFront(size_t n);
    // Replaces the contents, newest first.
    void assign(const std::vector<KvUndoState*>& states);
    // Empties the list and hands its states over.
    std::vector<KvUndoState*> takeAll();

private:
    static constexpr uint32_t kInline = 2;
    bool onHeap() const { return capacity_ > kInline; }
    KvUndoState* const* data() const { return onHeap() ? heap_ : inline_; }
    KvUndoState** data() { return onHeap() ? heap_ : inline_; }
    void grow();
    // Back into the list itself once the states fit there.
    void settle();
    void freeArray();

    union {
        KvUndoState* inline_[kInline];
        KvUndoState** heap_;
    };
    uint32_t size_ = 0;
    uint32_t capacity_ = kInline;
};
