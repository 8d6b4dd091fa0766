#pragma once

#include <KvRefContainers.h>
#include <KvRefObject.h>

// An array of references to reference objects.
KV_REF_ARRAY1(RefObject);
