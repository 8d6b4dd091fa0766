#pragma once

#include <KvBaseExport.h>
#include <KvTSObject.h>

#include <cstdint>
#include <functional>

// The key under which the clone mapper files time-stamped objects. Keys sort
// by clone priority (highest first, so multi-objects lead), then by creation
// stamp, then by address. The priority is read once, when the key is made.
class KV_BASE_EXPORT KvTSObjectMapKey {
public:
    KvTSObjectMapKey(KvTSObject* obj = nullptr);
    KvTSObjectMapKey(const KvTSObjectMapKey&) = default;
    KvTSObjectMapKey(KvTSObjectMapKey&&) = default;
    KvTSObjectMapKey& operator=(const KvTSObjectMapKey&) = default;
    KvTSObjectMapKey& operator=(KvTSObjectMapKey&&) = default;

    operator KvTSObject*() const { return object_; }
    operator KvTSObject&() const { return *object_; }
    KvTSObject* operator->() const { return object_; }
    KvTSObject& operator*() const { return *object_; }

    KvTSObject* getObject() const { return object_; }
    uint64_t getPriority() const { return priority_; }

    // Inline: the clone mapper's maps compare keys all the time.
    bool operator<(const KvTSObjectMapKey& o) const {
        if (!object_ || !o.object_) return std::less<const KvTSObject*>()(object_, o.object_);
        if (priority_ != o.priority_) return priority_ > o.priority_;
        const KvTimeStamp& a = object_->getTimeStamp();
        const KvTimeStamp& b = o.object_->getTimeStamp();
        if (a != b) return a < b;
        return std::less<const KvTSObject*>()(object_, o.object_);
    }
    bool operator==(const KvTSObjectMapKey& o) const;
    bool operator!=(const KvTSObjectMapKey& o) const { return !(*this == o); }

private:
    uint64_t priority_;
    KvTSObject* object_;
};
