#pragma once

#include <KvAction.h>

// Deletes its source when delivered. A doom action: the queue delivers it
// only after every normal delivery.
class KV_BASE_EXPORT KvDeleteAction : public KvAction {
public:
    explicit KvDeleteAction(KvObservedObject* source) : KvAction(source) {}
    KvDeleteAction(const KvDeleteAction& o) = default;
    // Ignores the target; clears the source after deleting it so that the
    // destructor drops no reference on freed memory.
    void process(KvObject* target) override;
    KvString getClassName() override { return "DeleteAction"; }
    bool isDoomAction() const override { return true; }

protected:
    ~KvDeleteAction() override = default;
};
