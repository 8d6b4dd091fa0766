#pragma once

#include <KvFrameworkEntityInstance.h>
#include <KvRefContainers.h>

// A hash set of references to framework entity instances.
KV_REF_HASH(FrameworkEntityInstance, kv::NoGenreList);
