#pragma once

#include <KvFrameworkEntityInstance.h>
#include <KvRefContainers.h>

// A hash set of references to read-only framework entity instances.
KV_CONST_REF_HASH(FrameworkEntityInstance, kv::NoGenreList);
