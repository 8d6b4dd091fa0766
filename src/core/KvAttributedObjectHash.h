#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>

// A set of references to attributed objects, by address.
KV_REF_HASH(AttributedObject, KvRefObject);
