#include <KvActionQueue.h>

#include <KvAction.h>
#include <KvActionRef.h>
#include <KvActionSubQueue.h>
#include <KvDelayedActionObj.h>
#include <KvDelayedFunction.h>
#include <KvDeleteAction.h>
#include <KvDeleteObject.h>
#include <KvHashAddress.h>
#include <KvLinkedList.h>
#include <KvObjectListIterator.h>
#include <KvObservedObject.h>
#include <KvRefPtr.h>
#include <KvUpdateAction.h>

#include <QHash>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// One queued delivery, or a marker for a destroyed target (cleared, no
// action). An entry is threaded through `next` into the normal or the doom
// list while queued, and into its block's free list while free.
struct Entry {
    KvObject* target;
    KvAction* action;
    Entry* next;
    bool cleared;
    bool doom;  // on the doom list: its marker counts in the doom table
};
static_assert(sizeof(Entry) == 32, "entry layout");

// Entries come from 1 MiB blocks, each a 64-byte header and 32,766 entries: a
// busy queue makes and frees millions. Blocks are aligned to their size, so an
// entry finds its block by masking its address. A block with free slots sits
// in the list of available blocks. One block that falls empty is kept as a
// spare; a second is given back, so that a burst of deliveries (a model torn
// down under a lock) does not pin its peak in memory for the rest of the
// process.
constexpr size_t kBlockSize = size_t(1) << 20;
constexpr size_t kHeaderSize = 64;
constexpr size_t kEntriesPerBlock = (kBlockSize - kHeaderSize) / sizeof(Entry);
static_assert(kEntriesPerBlock == 32766, "pool block layout");

struct PoolBlock {
    PoolBlock* prevAvail;
    PoolBlock* nextAvail;
    Entry* freeList;
    size_t used;   // slots handed out and not freed
    size_t fresh;  // slots never handed out yet start here
    bool inAvail;

    Entry* slots() { return reinterpret_cast<Entry*>(reinterpret_cast<char*>(this) + kHeaderSize); }
    static PoolBlock* of(Entry* e) {
        return reinterpret_cast<PoolBlock*>(reinterpret_cast<uintptr_t>(e) & ~uintptr_t(kBlockSize - 1));
    }
};
static_assert(sizeof(PoolBlock) <= kHeaderSize, "pool header");

class EntryPool {
public:
    Entry* allocate() {
        if (!avail_) {
            auto* b = static_cast<PoolBlock*>(std::aligned_alloc(kBlockSize, kBlockSize));
            if (!b) throw std::bad_alloc();
            b->freeList = nullptr;
            b->used = 0;
            b->fresh = 0;
            link(b);
            ++emptyBlocks_;
        }
        PoolBlock* b = avail_;
        if (b->used == 0) --emptyBlocks_;
        Entry* e = b->freeList;
        if (e)
            b->freeList = e->next;
        else
            e = b->slots() + b->fresh++;
        if (++b->used == kEntriesPerBlock) unlink(b);
        return e;
    }
    void release(Entry* e) {
        PoolBlock* b = PoolBlock::of(e);
        e->next = b->freeList;
        b->freeList = e;
        --b->used;
        if (!b->inAvail) link(b);
        if (b->used != 0) return;
        if (emptyBlocks_ == 0) {
            // Hand the spare out from its start again, in address order.
            b->freeList = nullptr;
            b->fresh = 0;
            ++emptyBlocks_;
        } else {
            unlink(b);
            std::free(b);
        }
    }

private:
    void link(PoolBlock* b) {
        b->prevAvail = nullptr;
        b->nextAvail = avail_;
        if (avail_) avail_->prevAvail = b;
        avail_ = b;
        b->inAvail = true;
    }
    void unlink(PoolBlock* b) {
        (b->prevAvail ? b->prevAvail->nextAvail : avail_) = b->nextAvail;
        if (b->nextAvail) b->nextAvail->prevAvail = b->prevAvail;
        b->inAvail = false;
    }

    PoolBlock* avail_ = nullptr;
    size_t emptyBlocks_ = 0;  // available blocks with no slot in use
};

// Entries in queueing order.
struct EntryList {
    Entry* head = nullptr;
    Entry* tail = nullptr;
    size_t size = 0;

    bool isEmpty() const { return head == nullptr; }
    void append(Entry* e) {
        e->next = nullptr;
        (tail ? tail->next : head) = e;
        tail = e;
        ++size;
    }
    Entry* takeFirst() {
        Entry* e = head;
        head = e->next;
        if (!head) tail = nullptr;
        --size;
        return e;
    }
};

}  // namespace

class KvActionQueue::Impl {
public:
    bool processing = false;
    uint64_t lockCount = 0;
    EntryList normal;
    EntryList doom;
    KvLinkedList<KvActionSubQueue*> subs;
    KvHashAddress destroyed;      // address -> markers queued for it
    KvHashAddress doomDestroyed;  // the same for the doom list
    // Objects that are not observed, wrapped by deleteLater: one wrapper each,
    // disarmed when the object goes some other way.
    QHash<KvObject*, KvDeleteObject*> wrapped;
    EntryPool pool;

    static Impl* existing;
    static Impl& get() {
        if (!existing) existing = new Impl;  // kept until the process ends
        return *existing;
    }

    // An entry holds an action reference, or a marker count for its target.
    Entry* makeEntry(KvObject* target, KvAction* action, bool onDoomList = false) {
        Entry* e = pool.allocate();
        e->target = target;
        e->action = action;
        e->cleared = action == nullptr;
        e->doom = onDoomList;
        if (action) {
            action->ref();
        } else {
            try {
                (onDoomList ? doomDestroyed : destroyed).inc(target);
            } catch (...) {
                pool.release(e);
                throw;
            }
        }
        return e;
    }
    void deleteEntry(Entry* e) {
        KvAction* action = e->action;
        bool marker = e->cleared;
        KvObject* target = e->target;
        bool onDoomList = e->doom;
        pool.release(e);
        if (marker)
            (onDoomList ? doomDestroyed : destroyed).dec(target);
        else
            action->unref();
    }
    KvObject* effectiveTarget(const Entry* e) const {
        if (e->cleared) return nullptr;
        if (!destroyed.isEmpty() && destroyed.contains(e->target)) return nullptr;
        return e->target;
    }
    // A doom entry is skipped when its source (the object it deletes) was
    // deleted after it was queued; the action then forgets the source, whose
    // reference went with it. Otherwise the source's count of pending doom
    // entries drops now, since delivery deletes it.
    KvObject* doomTarget(Entry* e) {
        if (e->cleared) return nullptr;
        KvObservedObject* source = e->action->getSource();
        if (!source) return e->target;
        if (!doomDestroyed.isEmpty() && doomDestroyed.contains(source)) {
            e->action->forgetSource();
            return nullptr;
        }
        --source->doomQueued_;
        return e->target;
    }

    // Deletes the entry however the delivery ends.
    struct EntryGuard {
        Impl& q;
        Entry* e;
        ~EntryGuard() { q.deleteEntry(e); }
    };

    void run();
    void deliverAlone(KvObject* target, KvAction* action);
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
            if (KvObject* target = doomTarget(e)) e->action->process(target);
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
    if (!action->isDoomAction()) {
        q.normal.append(q.makeEntry(target, action));
        return;
    }
    q.doom.append(q.makeEntry(target, action, true));
    if (KvObservedObject* source = action->getSource()) ++source->doomQueued_;
}

bool KvActionQueue::addForEach(const KvObjectList& observers, KvAction* action, KvActionObject originator) {
    if (!action) return false;
    // One look at the queue and the action for the whole list: a broadcast
    // to many observers is a tight loop of entries.
    Impl& q = Impl::get();
    const bool doom = action->isDoomAction();
    bool queued = false;
    KvObjectListIterator it(&observers);
    for (it.first(); !it.isDone(); it.next()) {
        KvObject* observer = it.currentItem();
        if (originator.isEqual(observer)) continue;
        if (doom)
            add(observer, action);
        else
            q.normal.append(q.makeEntry(observer, action));
        queued = true;
    }
    return queued;
}

void KvActionQueue::addAndProcess(KvObject* target, KvAction* action) {
    Impl* q = Impl::existing;
    // An empty normal list also means no destroyed-target marker is pending.
    if (action && q && !q->processing && q->lockCount == 0 && q->normal.isEmpty() && !action->isDoomAction())
        return q->deliverAlone(target, action);
    addThenProcess(target, action);
}

void KvActionQueue::addThenProcess(KvObject* target, KvAction* action) {
    if (!action) return;
    {
        KvActionRef hold(action);  // a fresh action is freed if add() fails
        add(target, action);
    }
    process();
}

// What a run does with a lone normal entry, then the rest of the run.
void KvActionQueue::Impl::deliverAlone(KvObject* target, KvAction* action) {
    processing = true;
    action->ref();
    try {
        action->process(target);
    } catch (...) {
        // A failing observer must not starve what comes after it.
    }
    try {
        action->unref();
        // Most deliveries queue nothing: skip the run's phases then.
        if (!normal.isEmpty() || !doom.isEmpty() || !subs.isEmpty()) run();
    } catch (...) {
        // As in process(): the rest stays queued for the next run.
    }
    processing = false;
}

void KvActionQueue::add(KvDelayedFunction* function) {
    if (!function) return;
    KvRefPtr<KvDelayedActionObj> obj(new KvDelayedActionObj(function));
    KvActionRef action(new KvUpdateAction(obj.get(), nullptr));
    add(obj.get(), action.get());
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
    if (!target) {
        Impl& q = Impl::get();
        if (q.wrapped.contains(obj)) return;  // already on its way
        auto* wrapper = new KvDeleteObject(obj);
        q.wrapped.insert(obj, wrapper);
        target = wrapper;
    }
    KvActionRef action(new KvDeleteAction(target));
    add(target, action.get());
}

void KvActionQueue::clearTarget(KvObject* obj) {
    Impl* q = Impl::existing;
    if (!obj || !q) return;
    if (!q->normal.isEmpty()) q->normal.append(q->makeEntry(obj, nullptr));
    if (!q->wrapped.isEmpty()) {
        auto it = q->wrapped.find(obj);
        if (it != q->wrapped.end()) {
            it.value()->owned_ = nullptr;
            q->wrapped.erase(it);
        }
    }
    for (auto* n = q->subs.first(); n; n = n->next) {
        if (n->value->isDoomed()) continue;
        try {
            n->value->clearTarget(obj);
        } catch (...) {
            // Called from a destructor: nothing may escape.
        }
    }
}

void KvActionQueue::clearDoomTarget(KvObservedObject* obj) {
    Impl& q = Impl::get();
    q.doom.append(q.makeEntry(obj, nullptr, true));
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
    return q ? q->normal.size + q->doom.size : 0;
}
