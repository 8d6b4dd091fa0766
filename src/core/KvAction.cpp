#include <KvAction.h>

#include <KvExcept.h>
#include <KvObservedObject.h>
#include <KvPoison.h>
#include <KvRefObject.h>
#include <KvUndoRefObject.h>

#include <new>
#include <ostream>
#include <utility>

namespace {

// Freed action memory, all of one slot size. Actions up to a slot are given a
// whole slot, so any freed slot fits any of them. At most kMaxFreeSlots are
// kept, so that a burst (a model torn down under a lock) gives its peak back
// to the heap. The slots are listed here, not threaded through themselves, so
// that a free slot can be poisoned whole and still be seen as reachable.
constexpr std::size_t kSlotSize = 64;
constexpr std::size_t kMaxFreeSlots = 256;

void* freeSlots[kMaxFreeSlots];
std::size_t numFreeSlots = 0;

}  // namespace

void* KvAction::operator new(std::size_t size) {
    if (size > kSlotSize) return ::operator new(size);
    if (numFreeSlots == 0) return ::operator new(kSlotSize);
    void* slot = freeSlots[--numFreeSlots];
    // Poisoned while free, so that a use of a deleted action is still caught.
    KV_UNPOISON(slot, kSlotSize);
    return slot;
}

void KvAction::operator delete(void* p, std::size_t size) noexcept {
    if (size > kSlotSize) return ::operator delete(p, size);
    if (numFreeSlots == kMaxFreeSlots) return ::operator delete(p, kSlotSize);
    KV_POISON(p, kSlotSize);
    freeSlots[numFreeSlots++] = p;
}

void KvAction::throwNullSource() { throw KvExcept("NULL entity"); }

KvAction::KvAction(const KvAction& o) : source_(o.source_) {}

void KvAction::Hold::takeOther() noexcept {
    if (KvRefObject* r = obj_->castToRefObject()) {
        r->ref();
        kind_ = RefObject;
    } else if (KvUndoRefObject* u = obj_->castToUndoRefObject()) {
        u->ref();
        kind_ = UndoRefObject;
    }
}

void KvAction::Hold::releaseUndoRefObject(KvObservedObject* obj) { obj->castToUndoRefObject()->unref(); }

std::ostream& operator<<(std::ostream& os, const KvAction* action) {
    return os << const_cast<KvAction*>(action)->getClassName() << "(" << static_cast<const void*>(action) << ")";
}
