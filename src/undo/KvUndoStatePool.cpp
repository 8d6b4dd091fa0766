#include <KvUndoStatePool.h>

#include <KvPoison.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

constexpr size_t kBlockSize = size_t(1) << 16;
constexpr size_t kHeaderSize = 64;
constexpr size_t kGranule = 16;
constexpr size_t kClasses = KvUndoStatePool::kMaxSize / kGranule;

struct Slot {
    Slot* next;
};

struct Block {
    Block* prev;  // in the list of blocks with free slots, or of empty blocks
    Block* next;
    Slot* freeList;
    size_t used;   // slots handed out and not freed
    size_t fresh;  // slots never handed out since the block was (re)started
    bool inAvail;

    char* slots() { return reinterpret_cast<char*>(this) + kHeaderSize; }
    static Block* of(void* p) {
        return reinterpret_cast<Block*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t(kBlockSize - 1));
    }
};
static_assert(sizeof(Block) <= kHeaderSize, "pool block header");

struct BlockList {
    Block* head = nullptr;

    void push(Block* b) {
        b->prev = nullptr;
        b->next = head;
        if (head) head->prev = b;
        head = b;
    }
    void unlink(Block* b) {
        (b->prev ? b->prev->next : head) = b->next;
        if (b->next) b->next->prev = b->prev;
    }
};

// The slots of one size. Plain data: it stays usable while statics are torn
// down, when the engine deletes its last states.
struct SizeClass {
    BlockList avail;  // in use, with free slots
    BlockList empty;  // no slot in use
    size_t live;      // blocks with a slot in use
    size_t empties;

    size_t slotSize(size_t cls) const { return (cls + 1) * kGranule; }
    size_t perBlock(size_t cls) const { return (kBlockSize - kHeaderSize) / slotSize(cls); }

    void* allocate(size_t cls) {
        Block* b = avail.head;
        if (!b) {
            b = takeEmpty(cls);
            avail.push(b);
            b->inAvail = true;
            ++live;
        }
        Slot* s = b->freeList;
        if (s) {
            KV_UNPOISON(s, slotSize(cls));
            b->freeList = s->next;
        } else {
            s = reinterpret_cast<Slot*>(b->slots() + b->fresh++ * slotSize(cls));
            KV_UNPOISON(s, slotSize(cls));
        }
        if (++b->used == perBlock(cls)) {
            avail.unlink(b);
            b->inAvail = false;
        }
        return s;
    }

    void release(void* p, size_t cls) {
        Block* b = Block::of(p);
        auto* s = static_cast<Slot*>(p);
        s->next = b->freeList;
        b->freeList = s;
        KV_POISON(s, slotSize(cls));
        if (!b->inAvail) {
            avail.push(b);
            b->inAvail = true;
        }
        if (--b->used != 0) return;
        avail.unlink(b);
        b->inAvail = false;
        --live;
        // Start it again from its first slot: states taken together then sit
        // together.
        b->freeList = nullptr;
        b->fresh = 0;
        empty.push(b);
        ++empties;
        while (empties > std::max<size_t>(1, live)) {
            Block* e = empty.head;
            empty.unlink(e);
            --empties;
            KV_UNPOISON(e, kBlockSize);
            ::operator delete(e, std::align_val_t(kBlockSize));
        }
    }

    Block* takeEmpty(size_t cls) {
        if (Block* b = empty.head) {
            empty.unlink(b);
            --empties;
            return b;
        }
        auto* b = static_cast<Block*>(::operator new(kBlockSize, std::align_val_t(kBlockSize)));
        b->freeList = nullptr;
        b->used = 0;
        b->fresh = 0;
        KV_POISON(b->slots(), perBlock(cls) * slotSize(cls));
        return b;
    }

    size_t held() const { return live + empties; }
};

SizeClass classes[kClasses];

size_t classOf(size_t size) { return size == 0 ? 0 : (size - 1) / kGranule; }

}  // namespace

void* KvUndoStatePool::allocate(size_t size) {
    if (size > kMaxSize) return ::operator new(size);
    size_t cls = classOf(size);
    return classes[cls].allocate(cls);
}

void KvUndoStatePool::release(void* p, size_t size) noexcept {
    if (!p) return;
    if (size > kMaxSize) return ::operator delete(p);
    size_t cls = classOf(size);
    classes[cls].release(p, cls);
}

size_t KvUndoStatePool::blocksHeld(size_t size) { return size > kMaxSize ? 0 : classes[classOf(size)].held(); }
