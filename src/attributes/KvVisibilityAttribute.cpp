#include <KvVisibilityAttribute.h>

#include <KvActionQueue.h>
#include <KvAttributedObject.h>
#include <KvAttributedObjectArray1.h>
#include <KvDataStore.h>
#include <KvIndex2.h>
#include <KvUndo.h>
#include <KvVisibilityAttrMgr.h>
#include <KvVisibilityAttributeState.h>
#include <KvVisibilityChangeAction.h>

#include <algorithm>

KV_TYPE_SOURCE(KvVisibilityAttribute, "VisibilityAttribute", KvAttributeItem)

KvVisibilityAttribute::KvVisibilityAttribute() = default;

KvVisibilityAttribute::KvVisibilityAttribute(bool enabled, size_t layer, bool maskValid)
    : maskValid_(maskValid), enabled_(enabled), layer_(layer) {}

KvVisibilityAttribute::KvVisibilityAttribute(const KvVisibilityAttribute& o)
    : KvAttributeItem(o),
      maskValid_(o.maskValid_),
      enabled_(o.enabled_),
      layer_(o.layer_),
      enabledMask_(o.enabledMask_),
      disabledMask_(o.disabledMask_) {}

KvVisibilityAttribute::KvVisibilityAttribute(const KvDataStore& store, const char* key) {
    if (store.getVersion() < 52) {
        if (!store.enterSection(key)) return;
        bool enabled = true;
        if (store.readBool("Enabled", enabled)) enabled_ = enabled;
        unsigned long long layer = 0;
        if (store.readUInt64("Layer", layer)) layer_ = static_cast<size_t>(layer);
        store.closeSection();
        return;
    }
    KvIndex2 value;
    if (!store.readIndex2(key, value)) return;
    layer_ = static_cast<size_t>(value.i());
    enabled_ = value.j() != 0;
}

KvVisibilityAttribute::KvVisibilityAttribute(const KvVisibilityAttributeState& state) : KvAttributeItem(state) {
    // Undo brings back a default attribute with current masks, then the
    // saved values; the layer it reports as the old one is the saved one.
    maskValid_ = true;
    applyState(state, state.getLayer());
}

KvVisibilityAttribute::~KvVisibilityAttribute() = default;

KvUndoState* KvVisibilityAttribute::getState() const { return new KvVisibilityAttributeState(*this); }

KvAttributeItem* KvVisibilityAttribute::duplicate() const { return new KvVisibilityAttribute(*this); }

void KvVisibilityAttribute::save(KvDataStore& store, const char* key) const {
    store.writeIndex2(key, KvIndex2(layer_, enabled_ ? 1 : 0));
}

void KvVisibilityAttribute::prepareToSaveState() const {
    if (maskValid_) return;
    // The recorded state holds current masks.
    KvAttributedObjectArray1 owners;
    KvAttributedObject::getOwnersOfItem(this, owners);
    KvLayerMask enabledMask, disabledMask;
    for (KvAttributedObject* owner : owners)
        owner->getLayerMask(enabledMask, disabledMask);
}

void KvVisibilityAttribute::postAdd(KvAttributedObject* owner) const {
    KvVisibilityAttrMgr* mgr = KvVisibilityAttrMgr::getActive();
    if (!mgr || !owner) return;
    if (layer_ != kDefaultLayer) mgr->layerChanged(owner, kDefaultLayer, layer_);
    if (!maskValid_) mgr->layerMaskInvalidated(owner);
}

void KvVisibilityAttribute::postRemove(KvAttributedObject* owner) const {
    KvVisibilityAttrMgr* mgr = KvVisibilityAttrMgr::getActive();
    if (!mgr || !owner) return;
    if (layer_ != kDefaultLayer) mgr->layerChanged(owner, layer_, kDefaultLayer);
    mgr->layerMaskSettled(owner);
}

void KvVisibilityAttribute::tellVisibilityChanged(size_t oldLayer) {
    KvVisibilityAttrMgr* mgr = KvVisibilityAttrMgr::getActive();
    if (!mgr) return;
    KvAttributedObjectArray1 owners;
    KvAttributedObject::getOwnersOfItem(this, owners);
    for (KvAttributedObject* owner : owners)
        mgr->visibilityChanged(owner, oldLayer);
}

void KvVisibilityAttribute::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    maskValid_ = false;
    tellVisibilityChanged(layer_);
    attributeChanged();
}

void KvVisibilityAttribute::setLayer(size_t layer) {
    layer = std::min(layer, kDefaultLayer);
    if (layer == layer_) return;
    const size_t oldLayer = layer_;
    layer_ = layer;
    maskValid_ = false;
    tellVisibilityChanged(oldLayer);
    attributeChanged();
}

void KvVisibilityAttribute::setMasks(const KvLayerMask& enabledMask, const KvLayerMask& disabledMask) const {
    enabledMask_ = enabledMask;
    disabledMask_ = disabledMask;
    maskValid_ = true;
}

bool KvVisibilityAttribute::invalidate() const {
    if (!maskValid_) return false;
    maskValid_ = false;
    auto* self = const_cast<KvVisibilityAttribute*>(this);
    KvUndo::objectChanged(self);
    self->sendCosmeticUpdate(KvActionObject());
    if (KvVisibilityAttrMgr* mgr = KvVisibilityAttrMgr::getActive()) {
        KvAttributedObjectArray1 owners;
        KvAttributedObject::getOwnersOfItem(this, owners);
        for (KvAttributedObject* owner : owners)
            mgr->layerMaskInvalidated(owner);
    }
    return true;
}

void KvVisibilityAttribute::applyState(const KvVisibilityAttributeState& state, size_t oldLayer) {
    maskValid_ = true;
    if (enabled_ == state.getEnabled() && layer_ == state.getLayer() && enabledMask_ == state.getEnabledMask() &&
        disabledMask_ == state.getDisabledMask())
        return;
    enabled_ = state.getEnabled();
    layer_ = state.getLayer();
    enabledMask_ = state.getEnabledMask();
    disabledMask_ = state.getDisabledMask();
    // The manager hears of it once the whole step is back.
    KvDelayedFunction* tell = new KvVisibilityChangeAction(oldLayer, this);
    if (KvUndo::isRestoring())
        KvUndo::addPostUndoAction(tell);
    else
        KvActionQueue::run(tell);
}
