#include <KvTSObjectMapKey.h>

KvTSObjectMapKey::KvTSObjectMapKey(KvTSObject* obj) : priority_(obj ? obj->getClonePriority() : 0), object_(obj) {}

bool KvTSObjectMapKey::operator==(const KvTSObjectMapKey& o) const {
    if (object_ != o.object_ || priority_ != o.priority_) return false;
    return !object_ || object_->getTimeStamp() == o.object_->getTimeStamp();
}
