#pragma once

#include <KvFrameworkEntityInstance.h>
#include <KvRefContainers.h>

// A set of references to read-only framework entity instances.
KV_CONST_REF_SET(FrameworkEntityInstance, kv::NoGenreList);
