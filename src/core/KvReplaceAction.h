#pragma once

#include <KvMapperAction.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>

// The source is replaced by getReplacement() (which may be null).
class KV_BASE_EXPORT KvReplaceAction : public KvMapperAction {
public:
    KvReplaceAction(KvObservedObject* source, KvObservedObject* replacement, const KvMapper* mapper);
    KvReplaceAction(const KvReplaceAction& o);
    void process(KvObject* target) override;
    KvString getClassName() override { return "ReplaceAction"; }
    KvObservedObject* getReplacement() { return replacement_; }

protected:
    ~KvReplaceAction() override;

private:
    KvObservedObject* replacement_;
    KvRefPtr<KvRefObject> heldReplacement_;  // the replacement's reference-object form, kept alive
};
