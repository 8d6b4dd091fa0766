#include <KvUndoStateList.h>

#include <algorithm>
#include <new>

void KvUndoStateList::freeArray() {
    if (onHeap()) ::operator delete(heap_);
    capacity_ = kInline;
}

void KvUndoStateList::grow() {
    // Most objects that pass two states keep a few: grow slowly at first.
    uint32_t capacity = capacity_ < 4 ? capacity_ + 1 : capacity_ + capacity_ / 2;
    auto** bigger = static_cast<KvUndoState**>(::operator new(capacity * sizeof(KvUndoState*)));
    std::copy(begin(), end(), bigger);
    freeArray();
    heap_ = bigger;
    capacity_ = capacity;
}

void KvUndoStateList::settle() {
    if (!onHeap() || size_ > kInline) return;
    KvUndoState** old = heap_;
    std::copy(old, old + size_, inline_);
    ::operator delete(old);
    capacity_ = kInline;
}

void KvUndoStateList::eraseFront(size_t n) {
    KvUndoState** d = data();
    std::copy(d + n, d + size_, d);
    size_ -= static_cast<uint32_t>(n);
    settle();
}

void KvUndoStateList::assign(const std::vector<KvUndoState*>& states) {
    while (capacity_ < states.size())
        grow();
    std::copy(states.begin(), states.end(), data());
    size_ = static_cast<uint32_t>(states.size());
    settle();
}

std::vector<KvUndoState*> KvUndoStateList::takeAll() {
    std::vector<KvUndoState*> out(begin(), end());
    size_ = 0;
    freeArray();
    return out;
}
