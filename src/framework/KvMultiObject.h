#pragma once

#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvVector.h>

// Several objects that stand together as one (the result of a split, the
// parts of a join).
// TODO(attributed objects): derive from the time-stamped object class once
// it exists; for now only membership is known.
class KV_BASE_EXPORT KvMultiObject : public KvRefObject {
    KV_TYPE_HEADER(KvMultiObject)
public:
    KvMultiObject() = default;
    void addMember(KvRefObject* obj) { members_.push_back(obj); }
    size_t getNumMembers() const { return members_.size(); }
    KvRefObject* getMember(size_t i) const { return members_[i].get(); }
    bool contains(const KvRefObject* obj) const;

    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

private:
    kv::vector<KvRefPtr<KvRefObject>> members_;
};
