#include <KvMultiObject.h>

KV_TYPE_SOURCE(KvMultiObject, "MultiObject", KvRefObject)

bool KvMultiObject::contains(const KvRefObject* obj) const {
    for (const auto& m : members_)
        if (m.get() == obj) return true;
    return false;
}
