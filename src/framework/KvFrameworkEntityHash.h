#pragma once

#include <KvFrameworkEntityReferences.h>

// A hash set of references to framework entities.
KV_FRAMEWORK_ENTITY_CONTAINER(KvFrameworkEntityHash, RefHash, false);
