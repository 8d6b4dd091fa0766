#pragma once

#include <KvFrameworkEntityReferences.h>

// An array of references to read-only framework entities.
KV_FRAMEWORK_ENTITY_CONTAINER(KvConstFrameworkEntityArray1, RefArray, true);
