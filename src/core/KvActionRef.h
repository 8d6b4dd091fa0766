#pragma once

#include <KvAction.h>
#include <KvRefPtr.h>

// Holds one reference to an action for as long as it lives, so that a
// notifying call lets go of its action on every way out, exceptions included.
using KvActionRef = KvRefPtr<KvAction>;
