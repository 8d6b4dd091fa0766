#pragma once

#include <KvAction.h>

// Holds one reference to an action for the length of a scope, so that the
// action is released on every way out, exceptions included.
class KvActionRef {
public:
    explicit KvActionRef(KvAction* a) : action(a) { action->ref(); }
    ~KvActionRef() { action->unref(); }
    KvActionRef(const KvActionRef&) = delete;
    KvActionRef& operator=(const KvActionRef&) = delete;

    KvAction* const action;
};
