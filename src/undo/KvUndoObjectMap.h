#pragma once

#include <KvBaseExport.h>
#include <KvUndoAddressIndex.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class KvUndoMonitor;
class KvUndoObject;

// The engine's registry: every registered undo object with its monitor (may
// be null while undo is off) and whether it was registered in isolation mode.
//
// Looked up on every change, so it is a hash index over a dense array; walked
// in address order after every undo and redo, so the array is kept sorted: new
// objects mostly arrive at rising addresses and extend the sorted run; the
// others wait in an unsorted tail that is sorted and merged in, together with
// the removal of dead entries, before the next ordered walk (linear work, the
// same order as the walk itself).
//
// After every undo and redo the engine calls resetCachedValues() on the
// registered objects, but most classes leave that hook empty. Each entry
// remembers what its object's hook was seen to do; the map keeps apart the
// objects that still have to be asked (new since the last walk) and those
// that do something, so that a walk costs those objects alone, not the model.
//
// Entry pointers and positions are valid only until the next insertion.
class KV_BASE_EXPORT KvUndoObjectMap {
public:
    enum ResetHook : uint8_t { kResetUnknown, kResetDoes, kResetNothing };
    struct Entry {
        KvUndoObject* object;
        KvUndoMonitor* monitor;  // holds one monitor reference when not null
        bool isolated;
        bool dead;
        ResetHook reset;
    };

    size_t size() const { return live_; }
    Entry* find(const KvUndoObject* obj);
    // `obj` must be absent.
    Entry* insert(KvUndoObject* obj, KvUndoMonitor* monitor, bool isolated);
    // Drops the entry and returns its monitor; the caller inherits the
    // entry's reference.
    KvUndoMonitor* erase(Entry* e);

    // Calls f(position) for every live entry in address order. Entries made
    // during the walk are not visited; entries dropped during it are skipped.
    template <class F>
    void forEach(F f) {
        normalize();
        ++walking_;
        struct Done {
            KvUndoObjectMap* m;
            ~Done() {
                if (--m->walking_ == 0) m->compactIfSparse();
            }
        } done{this};
        size_t n = dense_.size();
        for (size_t i = 0; i < n; ++i)
            if (!dense_[i].dead) f(i);
    }
    Entry& at(size_t pos) { return dense_[pos]; }

    // Empties the map and hands over its live entries (with their monitor
    // references).
    std::vector<Entry> takeAll();

    // The objects whose resetCachedValues() may do something, in address
    // order, without duplicates; may name objects gone since. The caller asks
    // each and reports back the ones that do with keepResettable().
    std::vector<KvUndoObject*> takeResetCandidates();
    void keepResettable(KvUndoObject* obj) { resettable_.push_back(obj); }

private:
    const void* keyAt(uint32_t pos) const { return dense_[pos].dead ? nullptr : dense_[pos].object; }
    void normalize();
    void compactIfSparse();
    void trimFresh();

    std::vector<Entry> dense_;
    size_t sortedPrefix_ = 0;  // dense_[0, sortedPrefix_) is in address order
    size_t live_ = 0;
    size_t dead_ = 0;
    int walking_ = 0;
    KvUndoAddressIndex index_;
    std::vector<KvUndoObject*> fresh_;       // entries not yet asked; may name dead ones
    std::vector<KvUndoObject*> resettable_;  // in address order once a walk is done
};
