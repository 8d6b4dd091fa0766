#pragma once

#include <KvRefContainers.h>
#include <KvRefObject.h>

// A set of references to read-only reference objects, in the objects' own order.
KV_CONST_REF_SET(RefObject);
