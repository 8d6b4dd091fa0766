#include <KvActionQueue.h>

#include <KvAction.h>
#include <KvActionSubQueue.h>
#include <KvDelayedActionObj.h>
#include <KvDelayedFunction.h>
#include <KvDeleteAction.h>
#include <KvDeleteObject.h>
#include <KvHashAddress.h>
#include <KvLinkedList.h>
#include <KvRefPtr.h>
#include <KvUpdateAction.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

struct PoolBlock;

// One queued delivery, or a marker for a destroyed target (cleared, no
// action). Entries come from a pool: a busy queue makes and frees millions.
struct Entry {
    bool cleared;
    KvObject* target;
    KvAction* action;
    PoolBlock* block;

    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size);
};

// 1 MiB blocks: a 64-byte header, then 32,766 entries of 32 bytes. A block
// with free slots sits in the list of available blocks; blocks are kept for
// the life of the process.
constexpr size_t kBlockSize = 1 << 20;
constexpr size_t kHeaderSize = 64;
constexpr size_t kEntriesPerBlock = (kBlockSize - kHeaderSize) / sizeof(Entry);
static_assert(sizeof(Entry) == 32, "entry layout");
static_assert(kEntriesPerBlock == 32766, "pool block layout");

struct PoolBlock {
    PoolBlock* prevAvail;
    PoolBlock* nextAvail;
    Entry* freeList;  // freed slots, linked through their action field
    size_t used;      // slots handed out and not freed
    size_t fresh;     // slots never handed out yet start here
    bool inAvail;
    Entry* slots() { return reinterpret_cast<Entry*>(reinterpret_cast<char*>(this) + kHeaderSize); }
};
static_assert(sizeof(PoolBlock) <= kHeaderSize, "pool header");

struct EntryPool {
    PoolBlock* avail = nullptr;

    void link(PoolBlock* b) {
        b->prevAvail = nullptr;
        b->nextAvail = avail;
        if (avail) avail->prevAvail = b;
        avail = b;
        b->inAvail = true;
    }
    void unlink(PoolBlock* b) {
        (b->prevAvail ? b->prevAvail->nextAvail : avail) = b->nextAvail;
        if (b->nextAvail) b->nextAvail->prevAvail = b->prevAvail;
        b->inAvail = false;
    }
    void* allocate() {
        if (!avail) {
            void* mem = std::aligned_alloc(64, kBlockSize);
            if (!mem) throw std::bad_alloc();
            auto* b = static_cast<PoolBlock*>(mem);
            b->freeList = nullptr;
            b->used = 0;
            b->fresh = 0;
            link(b);
        }
        PoolBlock* b = avail;
        Entry* e;
        if (b->freeList) {
            e = b->freeList;
            b->freeList = reinterpret_cast<Entry*>(e->action);
        } else {
            e = b->slots() + b->fresh++;
        }
        e->block = b;
        if (++b->used == kEntriesPerBlock) unlink(b);
        return e;
    }
    void release(Entry* e) {
        PoolBlock* b = e->block;
        e->action = reinterpret_cast<KvAction*>(b->freeList);
        b->freeList = e;
        --b->used;
        if (!b->inAvail) link(b);
    }
};

EntryPool& pool() {
    static EntryPool* p = new EntryPool;  // lives as long as the process
    return *p;
}

void* Entry::operator new(size_t size) {
    if (size != sizeof(Entry)) return ::operator new(size);
    return pool().allocate();
}

void Entry::operator delete(void* p, size_t size) {
    if (!p) return;
    if (size != sizeof(Entry)) {
        ::operator delete(p);
        return;
    }
    pool().release(static_cast<Entry*>(p));
}

}  // namespace

class KvActionQueue::Impl {
public:
    bool processing = false;
    uint64_t lockCount = 0;
    KvLinkedList<Entry*> normal;
    KvLinkedList<Entry*> doom;
    KvLinkedList<KvActionSubQueue*> subs;
    KvHashAddress destroyed;  // address -> markers queued for it

    static Impl* existing;
    static Impl& get() {
        if (!existing) existing = new Impl;  // kept until the process ends
        return *existing;
    }

    Entry* makeEntry(KvObject* target, KvAction* action) {
        Entry* e = new Entry;
        e->cleared = action == nullptr;
        e->target = target;
        e->action = action;
        if (action)
            action->ref();
        else
            destroyed.inc(target);
        return e;
    }
    // Drops the entry's action reference, or its marker count.
    void deleteEntry(Entry* e) {
        KvAction* action = e->action;
        bool marker = e->cleared;
        KvObject* target = e->target;
        delete e;
        if (marker)
            destroyed.dec(target);
        else if (action)
            action->unref();
    }
    KvObject* effectiveTarget(const Entry* e) const {
        if (e->cleared) return nullptr;
        if (!destroyed.isEmpty() && destroyed.contains(e->target)) return nullptr;
        return e->target;
    }

    // Deletes the entry however the delivery ends.
    struct EntryGuard {
        Impl& q;
        Entry* e;
        ~EntryGuard() { q.deleteEntry(e); }
    };

    void run();
};

KvActionQueue::Impl* KvActionQueue::Impl::existing = nullptr;

void KvActionQueue::Impl::run() {
    for (;;) {
        // Normal phase: everything, including what handlers queue meanwhile.
        while (!normal.isEmpty()) {
            Entry* e = normal.takeFirst();
            EntryGuard guard{*this, e};
            if (KvObject* target = effectiveTarget(e)) {
                try {
                    e->action->process(target);
                } catch (...) {
                    // A failing observer must not starve the ones after it.
                }
            }
        }
        // Doom phase: one doom entry at a time, and only while no normal
        // delivery is pending (a deletion may queue purges of its own).
        while (normal.isEmpty() && !doom.isEmpty()) {
            Entry* e = doom.takeFirst();
            EntryGuard guard{*this, e};
            if (KvObject* target = effectiveTarget(e)) e->action->process(target);
        }
        if (!normal.isEmpty()) continue;
        // Sub-queue phase.
        bool more = false;
        for (auto* n = subs.first(); n;) {
            KvActionSubQueue* sub = n->value;
            if (!sub->isDoomed()) sub->flush();
            if (sub->hasPending()) more = true;
            if (sub->isDoomed()) {
                n = subs.remove(n);
                try {
                    delete sub;
                } catch (...) {
                }
            } else {
                n = n->next;
            }
        }
        if (normal.isEmpty() && doom.isEmpty() && !more) return;
    }
}

void KvActionQueue::add(KvObject* target, KvAction* action) {
    if (!action) return;
    Impl& q = Impl::get();
    Entry* e = q.makeEntry(target, action);
    try {
        (action->isDoomAction() ? q.doom : q.normal).append(e);
    } catch (...) {
        q.deleteEntry(e);
        throw;
    }
}

void KvActionQueue::add(KvDelayedFunction* function) {
    if (!function) return;
    KvRefPtr<KvDelayedActionObj> obj(new KvDelayedActionObj(function));
    KvUpdateAction* action = new KvUpdateAction(obj.get(), nullptr);
    action->ref();
    try {
        add(obj.get(), action);
    } catch (...) {
        action->unref();
        throw;
    }
    action->unref();
}

void KvActionQueue::run(KvDelayedFunction* function) {
    if (!function) return;
    add(function);
    process();
}

bool KvActionQueue::process() {
    Impl& q = Impl::get();
    if (q.processing || q.lockCount > 0) return false;
    q.processing = true;
    try {
        q.run();
    } catch (...) {
        // A failure outside a normal delivery ends the run; what is still
        // queued waits for the next one.
    }
    q.processing = false;
    return true;
}

bool KvActionQueue::isLocked() { return Impl::existing && Impl::existing->lockCount > 0; }

bool KvActionQueue::isProcessing() {
    return Impl::existing && (Impl::existing->processing || Impl::existing->lockCount > 0);
}

void KvActionQueue::increaseLock() { ++Impl::get().lockCount; }

bool KvActionQueue::decreaseLock() {
    Impl& q = Impl::get();
    if (q.lockCount == 0) return false;
    if (--q.lockCount > 0) return false;
    process();
    return true;
}

void KvActionQueue::deleteLater(KvObject* obj) {
    if (!obj) return;
    KvObservedObject* target = KvObservedObject::cast(obj);
    if (!target) target = new KvDeleteObject(obj);
    KvDeleteAction* action = new KvDeleteAction(target);
    action->ref();
    try {
        add(target, action);
    } catch (...) {
        action->unref();
        throw;
    }
    action->unref();
}

void KvActionQueue::clearTarget(KvObject* obj) {
    Impl* q = Impl::existing;
    if (!obj || !q || q->normal.isEmpty()) return;
    Entry* marker = q->makeEntry(obj, nullptr);
    q->normal.append(marker);
}

void KvActionQueue::addSubQueue(KvActionSubQueue* sub) {
    if (!sub) return;
    Impl& q = Impl::get();
    if (!q.subs.find(sub)) q.subs.append(sub);
}

void KvActionQueue::removeSubQueue(KvActionSubQueue* sub) {
    if (!sub) return;
    if (isProcessing()) {
        sub->doom();
        return;
    }
    Impl& q = Impl::get();
    if (!q.subs.removeOne(sub)) return;
    try {
        delete sub;
    } catch (...) {
    }
}

void KvActionQueue::initType() {
    KvDeleteObject::initType();
    KvDelayedActionObj::initType();
}

size_t KvActionQueue::getNumPending() {
    Impl* q = Impl::existing;
    return q ? q->normal.size() + q->doom.size() : 0;
}
