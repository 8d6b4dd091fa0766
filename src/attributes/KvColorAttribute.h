#pragma once

#include <KvAttributeItem.h>
#include <KvColor.h>

class KvDataStore;
class KvColorAttributeState;

// The colour of its owners. A shared item changes for every owner.
// Its setters notify even when the value is unchanged.
class KV_BASE_EXPORT KvColorAttribute : public KvAttributeItem {
    KV_TYPE_HEADER(KvColorAttribute)
public:
    KvColorAttribute();
    KvColorAttribute(const KvColorAttribute& o);
    ~KvColorAttribute() override;

    KvUndoState* getState() const override;
    KvAttributeItem* duplicate() const override;
    using KvAttributeItem::duplicate;
    virtual void save(KvDataStore& store, const char* key) const;

    KvColor getRGB() const { return color_; }
    KvColor getRGBA() const { return color_; }
    float getAlpha() const { return color_.alpha(); }
    // Red, green and blue of `rgb`; the present alpha stays.
    void setRGB(const KvColor& rgb);
    void setRGBA(const KvColor& rgba);
    void setAlpha(float alpha);

protected:
    template <class T>
    friend class KvSimpleAttrIOHandler;
    friend class KvColorAttributeState;

    KvColorAttribute(const KvDataStore& store, const char* key);
    explicit KvColorAttribute(const KvColorAttributeState& state);

private:
    KvColor color_ = KvColor(0u);
};
