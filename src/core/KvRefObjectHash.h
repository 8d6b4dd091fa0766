#pragma once

#include <KvRefContainers.h>
#include <KvRefObject.h>

// A set of references to reference objects, by address.
KV_REF_HASH(RefObject);
