// The visibility part of KvAttributedObject: everything that goes through the
// object's visibility attribute.

#include <KvAttributedObject.h>

#include <KvAttributedObjectArray1.h>
#include <KvConstAttributedObjectArray1.h>
#include <KvUndo.h>
#include <KvVisibilityAttribute.h>

#include <algorithm>

KvVisibilityAttribute* KvAttributedObject::visibilityAttribute() const {
    auto it = attributes_.find(KvVisibilityAttribute::getClassTypeId());
    return it == attributes_.end() ? nullptr : static_cast<KvVisibilityAttribute*>(it->second.get());
}

const KvTypeId& KvAttributedObject::getVisibilityAttTypeId() { return KvVisibilityAttribute::getClassTypeId(); }

bool KvAttributedObject::getVisibilityAtts(size_t& layer, bool& enabled, KvLayerMask& enabledMask,
                                           KvLayerMask& disabledMask) const {
    if (!getLayerMask(enabledMask, disabledMask)) return false;
    const KvVisibilityAttribute* attr = visibilityAttribute();
    layer = attr->getLayer();
    enabled = attr->getEnabled();
    return true;
}

bool KvAttributedObject::getEnabled(bool& enabled) const {
    const KvVisibilityAttribute* attr = visibilityAttribute();
    if (!attr) return false;
    enabled = attr->getEnabled();
    return true;
}

bool KvAttributedObject::getLayer(size_t& layer) const {
    const KvVisibilityAttribute* attr = visibilityAttribute();
    if (!attr) return false;
    layer = attr->getLayer();
    return true;
}

bool KvAttributedObject::getValidatedLayer(size_t& layer) const {
    bool enabled = false;
    KvLayerMask enabledMask, disabledMask;
    return getVisibilityAtts(layer, enabled, enabledMask, disabledMask);
}

bool KvAttributedObject::getLayerMask(KvLayerMask& enabledMask, KvLayerMask& disabledMask) const {
    const KvVisibilityAttribute* attr = visibilityAttribute();
    if (!attr) return false;
    if (!attr->isMaskValid()) rebuildLayerMask();
    enabledMask = attr->getEnabledMask();
    disabledMask = attr->getDisabledMask();
    return true;
}

bool KvAttributedObject::hasLayerMask() const { return visibilityAttribute() != nullptr; }

void KvAttributedObject::rebuildLayerMask() const {
    const KvVisibilityAttribute* attr = visibilityAttribute();
    if (!attr) return;
    KvLayerMask enabledMask, disabledMask;
    const size_t layer = attr->getLayer();
    if (layer < size_t(KvLayerMask::kNumLayers)) (attr->getEnabled() ? enabledMask : disabledMask).setBit(int(layer));
    KvConstAttributedObjectArray1 supports;
    getVisibilitySupportEntities(supports);
    KvLayerMask supportEnabled, supportDisabled;
    for (const KvAttributedObject* support : supports) {
        if (!support || !support->getLayerMask(supportEnabled, supportDisabled)) continue;
        enabledMask |= supportEnabled;
        disabledMask |= supportDisabled;
    }
    attr->setMasks(enabledMask, disabledMask);
}

void KvAttributedObject::invalidateLayerMask() const {
    if (KvUndo::isRestoring()) return;
    const KvVisibilityAttribute* attr = visibilityAttribute();
    // Stale masks were invalidated along every dependency already.
    if (!attr || !attr->invalidate()) return;
    KvConstAttributedObjectArray1 dependents;
    getVisibilityDependentEntities(dependents);
    for (const KvAttributedObject* dep : dependents)
        if (dep) dep->invalidateLayerMask();
    if (isDying()) return;
    auto* self = const_cast<KvAttributedObject*>(this);
    self->attrUpdateObservers(const_cast<KvVisibilityAttribute*>(attr), false, KvActionObject());
    updateUndo();
}

void KvAttributedObject::forcedInvalidateLayerMask() const {
    const KvVisibilityAttribute* attr = visibilityAttribute();
    if (!attr) return;
    attr->invalidate();
    KvConstAttributedObjectArray1 dependents;
    getVisibilityDependentEntities(dependents);
    for (const KvAttributedObject* dep : dependents)
        if (dep) dep->forcedInvalidateLayerMask();
}

void KvAttributedObject::handleRemoveVisDependentEntity(const KvAttributedObject* dep) const {
    if (dep && !KvUndo::isRestoring()) dep->invalidateLayerMask();
}

void KvAttributedObject::handleUpdateVisDependentEntity(const KvAttributedObject* dep) const {
    if (dep && !KvUndo::isRestoring()) dep->invalidateLayerMask();
}

namespace {
// The object's visibility attribute, a default one added if there is none;
// `added` tells which. Null if the object refused it.
KvRefPtr<KvVisibilityAttribute> attributeFor(KvAttributedObject* obj, KvVisibilityAttribute* present, bool& added) {
    added = !present;
    if (present) return KvRefPtr<KvVisibilityAttribute>(present);
    KvRefPtr<KvVisibilityAttribute> attr(new KvVisibilityAttribute);
    return obj->addAttribItem(attr.get()) ? attr : nullptr;
}
}  // namespace

void KvAttributedObject::setEnabled(bool enabled) {
    bool added = false;
    KvRefPtr<KvVisibilityAttribute> attr = attributeFor(this, visibilityAttribute(), added);
    if (!attr || (!added && attr->getEnabled() == enabled)) return;
    invalidateLayerMask();
    attr->setEnabled(enabled);
}

void KvAttributedObject::setLayer(size_t layer) {
    bool added = false;
    KvRefPtr<KvVisibilityAttribute> attr = attributeFor(this, visibilityAttribute(), added);
    if (!attr || (!added && attr->getLayer() == layer)) return;
    // The attribute marks its masks stale first, so this reaches no
    // dependent: a layer alone changes what the object itself shows.
    attr->setLayer(layer);
    invalidateLayerMask();
}

void KvAttributedObject::addLayerMask(bool enabled, size_t layer) {
    if (KvRefPtr<KvVisibilityAttribute> attr{visibilityAttribute()}) {
        const size_t present = attr->getLayer();
        if (present < KvVisibilityAttribute::kDefaultLayer || layer > KvVisibilityAttribute::kDefaultLayer ||
            layer == present)
            return;
        invalidateLayerMask();
        attr->setLayer(layer);
        return;
    }
    KvRefPtr<KvVisibilityAttribute> attr(new KvVisibilityAttribute(!enabled, layer, true));
    if (!addAttribItem(attr.get())) return;
    invalidateLayerMask();
    attr->setEnabled(enabled);
}

bool KvAttributedObject::applyLayerScheme(size_t layer, ImportLayerScheme scheme,
                                          const KvAttributedObjectArray1& objects, kv::map<size_t, size_t>& mapping) {
    mapping.clear();
    switch (scheme) {
        case KeepLayers:
            return true;
        case SingleLayer:
            for (KvAttributedObject* obj : objects)
                if (obj) obj->setLayer(layer);
            return true;
        case RenumberLayers: {
            size_t next = layer;
            size_t present = 0;
            for (KvAttributedObject* obj : objects)
                if (obj && obj->getLayer(present) && !mapping.contains(present)) mapping.insert(present, next++);
            for (KvAttributedObject* obj : objects)
                if (obj && obj->getLayer(present)) obj->setLayer(mapping.value(present));
            return true;
        }
    }
    return false;
}
