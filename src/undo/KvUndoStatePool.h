#pragma once

#include <KvBaseExport.h>

#include <cstddef>

// Memory for undo states. Every closing step takes one state per changed
// object and every released step frees as many, so a large model makes and
// frees millions of small blocks of a few sizes; the general heap pays for a
// search and for bookkeeping on each, and scatters the states of one step.
//
// Sizes up to kMaxSize are rounded up to a multiple of 16 and served from
// 64 KiB blocks of equal slots, one set of blocks per size. Blocks are aligned
// to their size, so a slot finds its block by masking its address. Blocks
// that fall empty are kept for reuse while there are no more of them than
// blocks in use (plus one), so a steady history reuses its memory and a
// cleared one gives it back. Larger sizes go to the heap.
class KV_BASE_EXPORT KvUndoStatePool {
public:
    static constexpr size_t kMaxSize = 128;

    static void* allocate(size_t size);
    static void release(void* p, size_t size) noexcept;
    // Blocks held for `size`, in use or kept empty; for tests.
    static size_t blocksHeld(size_t size);
};
