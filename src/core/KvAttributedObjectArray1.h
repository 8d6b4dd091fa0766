#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>

// An array of references to attributed objects.
KV_REF_ARRAY1(AttributedObject, KvRefObject);
