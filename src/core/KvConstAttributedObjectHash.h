#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>

// A set of references to read-only attributed objects, by address.
KV_CONST_REF_HASH(AttributedObject, KvRefObject);
