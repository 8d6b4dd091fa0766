#pragma once

// Symbol visibility for the base object framework.
#if defined(_WIN32)
#if defined(KVBASE_BUILDING)
#define KV_BASE_EXPORT __declspec(dllexport)
#else
#define KV_BASE_EXPORT __declspec(dllimport)
#endif
#else
#define KV_BASE_EXPORT __attribute__((visibility("default")))
#endif

// Keeps a rarely taken path out of a hot caller, so that the caller saves no
// registers for it.
#if defined(_MSC_VER)
#define KV_NOINLINE __declspec(noinline)
#else
#define KV_NOINLINE __attribute__((noinline))
#endif
