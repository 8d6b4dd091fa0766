#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>
#include <KvTSObject.h>

// An array of references to read-only time-stamped objects.
KV_CONST_REF_ARRAY1(TSObject, KvAttributedObject, KvRefObject);
