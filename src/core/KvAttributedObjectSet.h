#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>

// A set of references to attributed objects, in the objects' own order.
KV_REF_SET(AttributedObject, KvRefObject);
