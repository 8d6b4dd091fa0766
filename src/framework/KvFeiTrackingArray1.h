#pragma once

#include <KvFrameworkEntityInstance.h>
#include <KvObject.h>
#include <KvRefPtr.h>
#include <KvVector.h>

#include <cstddef>
#include <unordered_map>

// Counted references to framework entity instances that let go of an
// instance as soon as it is purged or replaced: the array keeps instances
// alive, it does not follow them to their successors.
class KV_BASE_EXPORT KvFeiTrackingArray1 : public KvObject {
    KV_TYPE_HEADER(KvFeiTrackingArray1)
public:
    KvFeiTrackingArray1() = default;
    KvFeiTrackingArray1(const KvFeiTrackingArray1&) = delete;
    KvFeiTrackingArray1& operator=(const KvFeiTrackingArray1&) = delete;
    // Stops observing and lets go of every instance.
    ~KvFeiTrackingArray1() override;

    // Holds and observes `instance`; false for null or one held already.
    bool add(KvFrameworkEntityInstance* instance);
    bool contains(const KvFrameworkEntityInstance* instance) const;
    size_t size() const { return instances_.size(); }
    bool empty() const { return instances_.empty(); }
    KvFrameworkEntityInstance* get(size_t index) const { return instances_[index].get(); }

    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction* action) override;

private:
    void drop(KvAction* action);

    kv::vector<KvRefPtr<KvFrameworkEntityInstance>> instances_;
    // Where each instance stands, so that letting go of many instances
    // while a large file is read does not walk the array for each. Built by
    // the first instance that goes: most stores let go of all at once.
    std::unordered_map<const KvFrameworkEntityInstance*, size_t> positions_;
    bool indexed_ = false;
};
