#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>
#include <KvTSObject.h>

// An array of references to time-stamped objects.
KV_REF_ARRAY1(TSObject, KvAttributedObject, KvRefObject);
