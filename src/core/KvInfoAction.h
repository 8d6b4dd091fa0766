#pragma once

#include <KvAction.h>

// A piece of information given as flags; offered to the application.
class KV_BASE_EXPORT KvInfoAction : public KvAction {
public:
    KvInfoAction(KvObservedObject* source, unsigned long long flags) : KvAction(source), flags_(flags) {}
    KvInfoAction(const KvInfoAction& o) = default;
    void process(KvObject* target) override;
    KvString getClassName() override { return "InfoAction"; }
    unsigned long long getFlags() const { return flags_; }

protected:
    ~KvInfoAction() override = default;

private:
    unsigned long long flags_;
};
