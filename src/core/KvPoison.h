#pragma once

// Marks memory that a free list keeps as unusable under AddressSanitizer, so
// that a use after free is still caught when the memory is recycled instead of
// going back to the heap. Nothing in other builds.

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KV_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define KV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define KV_POISON(p, n) ((void)(p), (void)(n))
#define KV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif
