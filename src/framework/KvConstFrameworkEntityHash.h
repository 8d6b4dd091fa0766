#pragma once

#include <KvFrameworkEntityReferences.h>

// A hash set of references to read-only framework entities.
KV_FRAMEWORK_ENTITY_CONTAINER(KvConstFrameworkEntityHash, RefHash, true);
