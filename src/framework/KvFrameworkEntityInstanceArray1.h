#pragma once

#include <KvFrameworkEntityInstance.h>
#include <KvRefContainers.h>

// An array of references to framework entity instances.
KV_REF_ARRAY1(FrameworkEntityInstance, kv::NoGenreList);
