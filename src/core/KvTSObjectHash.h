#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>
#include <KvTSObject.h>

// A set of references to time-stamped objects, by address.
KV_REF_HASH(TSObject, KvAttributedObject, KvRefObject);
