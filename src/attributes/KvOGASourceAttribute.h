#pragma once

#include <KvAttributeItem.h>

class KvDataStore;
class KvOGASourceAttributeState;

// Marks its owners as sources of a derived entity.
// Its setters notify even when the value is unchanged.
class KV_BASE_EXPORT KvOGASourceAttribute : public KvAttributeItem {
    KV_TYPE_HEADER(KvOGASourceAttribute)
public:
    KvOGASourceAttribute();
    KvOGASourceAttribute(const KvOGASourceAttribute& o);
    ~KvOGASourceAttribute() override;

    KvUndoState* getState() const override;
    KvAttributeItem* duplicate() const override;
    using KvAttributeItem::duplicate;
    virtual void save(KvDataStore& store, const char* key) const;

    bool getValue() const { return value_; }
    void setValue(const bool& value);

protected:
    template <class T>
    friend class KvSimpleAttrIOHandler;
    friend class KvOGASourceAttributeState;

    KvOGASourceAttribute(const KvDataStore& store, const char* key);
    explicit KvOGASourceAttribute(const KvOGASourceAttributeState& state);

private:
    bool value_ = false;
};
