#include <KvUndoDatum.h>

KV_TYPE_SOURCE(KvUndoDatum, "UndoDatum", KvUndoObject)

KvUndoDatum::KvUndoDatum() = default;
KvUndoDatum::KvUndoDatum(const KvUndoDatum& o) : KvFollowsNothing(o) {}
KvUndoDatum::~KvUndoDatum() = default;

KvUndoDatum& KvUndoDatum::operator=(const KvUndoDatum& o) {
    KvUndoObject::operator=(o);
    return *this;
}

void KvUndoDatum::valueChanged() {}
