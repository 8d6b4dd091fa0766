#pragma once

#include <KvMapperAction.h>
#include <KvRefPtr.h>

class KvMultiObject;

// The source was split into the members of getMulti().
class KV_BASE_EXPORT KvSplitAction : public KvMapperAction {
public:
    KvSplitAction(KvObservedObject* source, KvMultiObject* multi, const KvMapper* mapper);
    KvSplitAction(const KvSplitAction& o);
    void process(KvObject* target) override;
    KvString getClassName() override { return "SplitAction"; }
    KvMultiObject* getMulti() { return multi_.get(); }
    KvObservedObject* getSingle() { return getSource(); }

protected:
    ~KvSplitAction() override;

private:
    KvRefPtr<KvMultiObject> multi_;
};
