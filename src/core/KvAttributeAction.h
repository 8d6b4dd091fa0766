#pragma once

#include <KvAction.h>
#include <KvRefPtr.h>

class KvAttributeItem;

// One attribute item of the source changed; the action keeps the item alive.
class KV_BASE_EXPORT KvAttributeAction : public KvAction {
public:
    KvAttributeAction(KvObservedObject* source, KvAttributeItem* attribute);
    KvAttributeAction(const KvAttributeAction& o);
    void process(KvObject* target) override;
    KvString getClassName() override { return "AttributeAction"; }
    const KvAttributeItem* getAttribute() const { return attribute_.get(); }

protected:
    ~KvAttributeAction() override;

private:
    KvRefPtr<KvAttributeItem> attribute_;
};
