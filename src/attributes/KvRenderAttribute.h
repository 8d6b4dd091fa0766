#pragma once

#include <KvAttributeItem.h>
#include <KvRenderSettings.h>

class KvDataStore;
class KvRenderAttributeState;

// How its owners are drawn. A shared item changes for every owner.
// Its setters notify even when the value is unchanged.
class KV_BASE_EXPORT KvRenderAttribute : public KvAttributeItem {
    KV_TYPE_HEADER(KvRenderAttribute)
public:
    KvRenderAttribute();
    KvRenderAttribute(const KvRenderAttribute& o);
    ~KvRenderAttribute() override;

    KvUndoState* getState() const override;
    KvAttributeItem* duplicate() const override;
    using KvAttributeItem::duplicate;
    virtual void save(KvDataStore& store, const char* key) const;

    const KvRenderSettings& getRenderSettings() const { return settings_; }
    void setRenderSettings(const KvRenderSettings& settings);

protected:
    template <class T>
    friend class KvSimpleAttrIOHandler;
    friend class KvRenderAttributeState;

    KvRenderAttribute(const KvDataStore& store, const char* key);
    explicit KvRenderAttribute(const KvRenderAttributeState& state);

private:
    KvRenderSettings settings_;
};
