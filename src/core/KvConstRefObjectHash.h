#pragma once

#include <KvRefContainers.h>
#include <KvRefObject.h>

// A set of references to read-only reference objects, by address.
KV_CONST_REF_HASH(RefObject);
