#pragma once

#include <KvFrameworkEntityReferences.h>

// An array of references to framework entities.
KV_FRAMEWORK_ENTITY_CONTAINER(KvFrameworkEntityArray1, RefArray, false);
