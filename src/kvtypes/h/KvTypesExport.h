#pragma once

// Symbol visibility for the foundation types library.
#if defined(_WIN32)
#if defined(KVTYPES_BUILDING)
#define KV_TYPES_EXPORT __declspec(dllexport)
#else
#define KV_TYPES_EXPORT __declspec(dllimport)
#endif
#else
#define KV_TYPES_EXPORT __attribute__((visibility("default")))
#endif
