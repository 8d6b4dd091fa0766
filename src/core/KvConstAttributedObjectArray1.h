#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>

// An array of references to read-only attributed objects.
KV_CONST_REF_ARRAY1(AttributedObject, KvRefObject);
