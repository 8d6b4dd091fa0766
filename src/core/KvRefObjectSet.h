#pragma once

#include <KvRefContainers.h>
#include <KvRefObject.h>

// A set of references to reference objects, in the objects' own order.
KV_REF_SET(RefObject);
