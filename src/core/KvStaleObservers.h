#pragma once

#include <KvBaseExport.h>

#include <cstddef>
#include <cstdint>

class KvObject;
class KvObservedObject;

// Observers deleted while still registered with observed objects.
//
// Observer lists hold raw pointers, and a user may delete an observer without
// removing it first. Every object counts the lists it is on; one that dies
// with a non-zero count is entered here with that count, and the lists drop
// its stale entries lazily: before they queue deliveries, hand out an
// iterator, or die. While any stale entry exists:
//  - the memory of a heap object stays allocated (so no new object can take
//    its address) and is freed when its last stale entry is dropped;
//  - an object built at a stale address some other way (stack, member, own
//    allocator) takes the stale entries over as registrations of its own; a
//    delivery it does not expect reaches it as a stray action, and the usual
//    handleBadAction() takes it off that list.
// With no stale entry (the normal case) the cost is a test of one counter in
// the constructor, the destructor and before each broadcast.
class KV_BASE_EXPORT KvStaleObservers {
public:
    static bool any() { return stale_ != 0; }
    // `obj` dies while on `lists` observer lists.
    static void died(const KvObject* obj, uint32_t lists);
    // From KvObject's operator delete: true when the memory must wait.
    static bool keep(void* memory, size_t size);
    // A new object at `obj`'s address.
    static void reborn(KvObject* obj);
    static bool isStale(const KvObject* obj);
    // One stale entry of `obj` left a list.
    static void dropped(const KvObject* obj);
    // Stale entries not yet dropped, for tests and diagnostics.
    static size_t count() { return stale_; }

private:
    static size_t stale_;
};
