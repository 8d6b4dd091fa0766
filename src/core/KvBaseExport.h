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
