#pragma once

#include <KvBaseExport.h>
#include <KvRefObject.h>
#include <KvString.h>

#include <cstddef>
#include <cstdint>
#include <iosfwd>

class KvObject;

// One change of one observed object (its source), shared by all the queued
// deliveries of one notification. The count is not atomic: actions live on
// the thread that notifies and runs the queue.
//
// While the source is set the action keeps it alive (through its reference
// object or undo reference object form), so an object cannot be deleted while
// a delivery about it is pending.
class KV_BASE_EXPORT KvAction {
public:
    KvAction(const KvAction& o);
    KvAction& operator=(const KvAction&) = delete;

    // Every notification makes an action and drops it once delivered: small
    // ones reuse the memory of freed ones instead of a trip to the heap. Only
    // memory whose action was deleted (count gone) is reused, and on the queue
    // thread only, as for the count.
    // Inline: every notification pays for them. A build that poisons free
    // slots (AddressSanitizer) takes the out-of-line path, whatever the
    // caller was compiled with.
    static void* operator new(std::size_t size) {
        if (size <= kSlotSize && numFreeSlots_ != 0 && !slotsPoisoned_) return freeSlots_[--numFreeSlots_];
        return allocateSlot(size);
    }
    static void operator delete(void* p, std::size_t size) noexcept {
        if (size <= kSlotSize && numFreeSlots_ != kMaxFreeSlots && !slotsPoisoned_) {
            freeSlots_[numFreeSlots_++] = p;
            return;
        }
        freeSlot(p, size);
    }

    virtual void process(KvObject* target) = 0;
    virtual KvString getClassName() = 0;
    virtual bool isDoomAction() const { return false; }

    void ref() { ++count_; }
    // At a count of 1 deletes without decrementing.
    void unref() {
        if (count_ == 1)
            delete this;
        else
            --count_;
    }
    uint64_t getRefCount() const { return count_; }
    KvObservedObject* getSource() { return source_.get(); }
    const KvObservedObject* getSource() const { return source_.get(); }

protected:
    // Keeps an observed object alive through its reference-object form, or
    // else its undo-reference-object form; an object that is neither is not
    // kept. A copy keeps the object too.
    class KV_BASE_EXPORT Hold {
    public:
        Hold() = default;
        explicit Hold(KvObservedObject* obj) { take(obj); }
        Hold(const Hold& o) { take(o.obj_); }
        Hold& operator=(const Hold&) = delete;
        ~Hold() { release(); }

        KvObservedObject* get() const { return obj_; }
        // Keeps `obj`; the hold must be empty. Inline for a KvRefObject, the
        // source of most notifications.
        void take(KvObservedObject* obj) noexcept {
            obj_ = obj;
            if (obj && obj->refObject_) {
                static_cast<KvRefObject*>(obj)->ref();
                kind_ = RefObject;
            } else if (obj) {
                takeOther();
            }
        }
        // Lets go of the object (which may destroy it) and forgets it.
        void release() {
            KvObservedObject* obj = obj_;
            const Kind kind = kind_;
            forget();
            if (kind == RefObject)
                refObjectOf(obj)->unref();
            else if (kind == UndoRefObject)
                releaseUndoRefObject(obj);
        }
        // Forgets the object without touching its count, for one that is gone.
        void forget() {
            obj_ = nullptr;
            kind_ = Nothing;
        }

    private:
        void takeOther() noexcept;
        static void releaseUndoRefObject(KvObservedObject* obj);
        enum Kind { Nothing, RefObject, UndoRefObject };
        KvObservedObject* obj_ = nullptr;
        Kind kind_ = Nothing;
    };

    // Throws "NULL entity" for a null source. Inline, with the destructor, so
    // that a notification builds and drops its action without a call chain.
    explicit KvAction(KvObservedObject* source) {
        if (!source) throwNullSource();
        source_.take(source);
    }
    virtual ~KvAction() = default;
    // Drops the source reference and forgets the source.
    void clearSource() { source_.release(); }
    // Forgets the source without touching its count: for an action whose
    // delivery deletes the source.
    void forgetSource() { source_.forget(); }

private:
    // Freed action memory, all of one slot size: actions up to a slot are
    // given a whole slot, so any freed slot fits any of them. At most
    // kMaxFreeSlots are kept, so that a burst (a model torn down under a lock)
    // gives its peak back to the heap. The slots are listed apart, not
    // threaded through themselves, so that a free slot can be poisoned whole.
    static constexpr std::size_t kSlotSize = 64;
    static constexpr std::size_t kMaxFreeSlots = 256;
    static void* freeSlots_[kMaxFreeSlots];
    static std::size_t numFreeSlots_;
    static const bool slotsPoisoned_;
    static void* allocateSlot(std::size_t size);
    static void freeSlot(void* p, std::size_t size) noexcept;

    [[noreturn]] static void throwNullSource();
    // A KvRefObject is told apart by its flag, exactly as castToRefObject()
    // (final there) would: one test instead of a virtual call.
    static KvRefObject* refObjectOf(KvObservedObject* obj) {
        return obj->refObject_ ? static_cast<KvRefObject*>(obj) : obj->castToRefObject();
    }
    friend class KvActionQueue;  // forgets the source of a delete entry it skips
    uint64_t count_ = 0;
    Hold source_;
};

// "ClassName(0x...)"
KV_BASE_EXPORT std::ostream& operator<<(std::ostream& os, const KvAction* action);
