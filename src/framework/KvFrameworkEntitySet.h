#pragma once

#include <KvFrameworkEntityReferences.h>

// A set of references to framework entities.
KV_FRAMEWORK_ENTITY_CONTAINER(KvFrameworkEntitySet, RefSet, false);
