#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>
#include <KvTSObject.h>

// A set of references to read-only time-stamped objects, in creation order.
KV_CONST_REF_SET(TSObject, KvAttributedObject, KvRefObject);
