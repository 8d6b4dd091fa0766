#pragma once

#include <KvRefContainers.h>
#include <KvRefObject.h>

// An array of references to read-only reference objects.
KV_CONST_REF_ARRAY1(RefObject);
