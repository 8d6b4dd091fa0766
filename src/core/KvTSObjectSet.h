#pragma once

#include <KvAttributedObject.h>
#include <KvRefContainers.h>
#include <KvTSObject.h>

// A set of references to time-stamped objects, in creation order.
KV_REF_SET(TSObject, KvAttributedObject, KvRefObject);
