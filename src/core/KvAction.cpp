#include <KvAction.h>

#include <KvExcept.h>
#include <KvObservedObject.h>
#include <KvPoison.h>
#include <KvRefObject.h>
#include <KvUndoRefObject.h>

#include <new>
#include <ostream>
#include <utility>

void* KvAction::freeSlots_[kMaxFreeSlots];
std::size_t KvAction::numFreeSlots_ = 0;
#if defined(__SANITIZE_ADDRESS__)
const bool KvAction::slotsPoisoned_ = true;
#else
const bool KvAction::slotsPoisoned_ = false;
#endif

void* KvAction::allocateSlot(std::size_t size) {
    if (size > kSlotSize) return ::operator new(size);
    if (numFreeSlots_ == 0) return ::operator new(kSlotSize);
    void* slot = freeSlots_[--numFreeSlots_];
    // Poisoned while free, so that a use of a deleted action is still caught.
    KV_UNPOISON(slot, kSlotSize);
    return slot;
}

void KvAction::freeSlot(void* p, std::size_t size) noexcept {
    if (size > kSlotSize) return ::operator delete(p, size);
    if (numFreeSlots_ == kMaxFreeSlots) return ::operator delete(p, kSlotSize);
    KV_POISON(p, kSlotSize);
    freeSlots_[numFreeSlots_++] = p;
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
