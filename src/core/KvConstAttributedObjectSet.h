#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>

// A set of references to read-only attributed objects, in the objects' own order.
KV_CONST_REF_SET(AttributedObject, KvRefObject);
