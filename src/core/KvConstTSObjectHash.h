#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>
#include <KvTSObject.h>

// A set of references to read-only time-stamped objects, by address.
KV_CONST_REF_HASH(TSObject, KvAttributedObject, KvRefObject);
