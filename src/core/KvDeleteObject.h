#pragma once

#include <KvObservedObject.h>

// Wraps an object that is not observed so that the queue can delete it later.
class KV_BASE_EXPORT KvDeleteObject : public KvObservedObject {
    KV_TYPE_HEADER(KvDeleteObject)
public:
    explicit KvDeleteObject(KvObject* owned) : owned_(owned) {}
    ~KvDeleteObject() override;

    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

private:
    friend class KvActionQueue;  // disarms a wrapper whose object went another way
    KvObject* owned_;
};
