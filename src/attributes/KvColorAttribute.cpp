#include <KvColorAttribute.h>

#include <KvColorAttributeState.h>
#include <KvDataStore.h>

KV_TYPE_SOURCE(KvColorAttribute, "ColorAttribute", KvAttributeItem)

KvColorAttribute::KvColorAttribute() = default;

KvColorAttribute::KvColorAttribute(const KvColorAttribute& o) : KvAttributeItem(o), color_(o.color_) {}

KvColorAttribute::KvColorAttribute(const KvColorAttributeState& state)
    : KvAttributeItem(state), color_(state.getValue()) {}

KvColorAttribute::~KvColorAttribute() = default;

KvUndoState* KvColorAttribute::getState() const { return new KvColorAttributeState(*this); }

KvAttributeItem* KvColorAttribute::duplicate() const { return new KvColorAttribute(*this); }

void KvColorAttribute::setRGB(const KvColor& rgb) {
    color_.setRGB(rgb);
    attributeChanged(KvActionObject());
}

void KvColorAttribute::setRGBA(const KvColor& rgba) {
    color_ = rgba;
    attributeChanged(KvActionObject());
}

void KvColorAttribute::setAlpha(float alpha) {
    color_.setAlpha(alpha);
    attributeChanged(KvActionObject());
}

KvColorAttribute::KvColorAttribute(const KvDataStore& store, const char* key) {
    uint32_t trgb = 0;
    if (store.readUInt32(key, trgb)) color_.setTRGB(trgb);
}

void KvColorAttribute::save(KvDataStore& store, const char* key) const { store.writeUInt32(key, color_.trgb()); }
