#pragma once

#include <KvFrameworkEntityReferences.h>

// A set of references to read-only framework entities.
KV_FRAMEWORK_ENTITY_CONTAINER(KvConstFrameworkEntitySet, RefSet, true);
