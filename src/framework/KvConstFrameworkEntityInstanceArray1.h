#pragma once

#include <KvFrameworkEntityInstance.h>
#include <KvRefContainers.h>

// An array of references to read-only framework entity instances.
KV_CONST_REF_ARRAY1(FrameworkEntityInstance, kv::NoGenreList);
