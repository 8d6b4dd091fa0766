#pragma once

#include <KvFrameworkEntityInstance.h>
#include <KvRefContainers.h>

// A set of references to framework entity instances.
KV_REF_SET(FrameworkEntityInstance, kv::NoGenreList);
