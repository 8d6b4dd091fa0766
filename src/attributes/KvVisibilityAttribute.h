#pragma once

#include <KvAttributeItem.h>
#include <KvLayerMask.h>

#include <cstddef>
#include <cstdint>

class KvDataStore;
class KvVisibilityAttributeState;

// Whether an object is enabled and on which layer (0 to 1024), with the
// cached masks of the layers in which the object, or an entity supporting
// it, is enabled and disabled. The masks are built by the owner
// (KvAttributedObject::rebuildLayerMask); the attribute only keeps them and
// knows whether they are current.
class KV_BASE_EXPORT KvVisibilityAttribute : public KvAttributeItem {
    KV_TYPE_HEADER(KvVisibilityAttribute)
public:
    // The layer an object without the attribute counts as being on.
    static constexpr size_t kDefaultLayer = 1024;
    // A layer no mask bit stands for: that of a new attribute.
    static constexpr size_t kUnsetLayer = SIZE_MAX;

    KvVisibilityAttribute();
    KvVisibilityAttribute(bool enabled, size_t layer, bool maskValid);
    KvVisibilityAttribute(const KvVisibilityAttribute& o);
    // The reading handler's: a section before store version 52, one pair
    // (layer, enabled) after.
    KvVisibilityAttribute(const KvDataStore& store, const char* key);
    // Undo rebuilding a deleted attribute.
    explicit KvVisibilityAttribute(const KvVisibilityAttributeState& state);
    ~KvVisibilityAttribute() override;

    KvUndoState* getState() const override;
    KvAttributeItem* duplicate() const override;
    void prepareToSaveState() const override;
    void postAdd(KvAttributedObject* owner) const override;
    void postRemove(KvAttributedObject* owner) const override;
    void save(KvDataStore& store, const char* key) const;

    bool getEnabled() const { return enabled_; }
    size_t getLayer() const { return layer_; }
    bool isMaskValid() const { return maskValid_; }
    const KvLayerMask& getEnabledMask() const { return enabledMask_; }
    const KvLayerMask& getDisabledMask() const { return disabledMask_; }

    // Both tell the manager and the owners when the value changes.
    void setEnabled(bool enabled);
    void setLayer(size_t layer);
    // Stores current masks.
    void setMasks(const KvLayerMask& enabledMask, const KvLayerMask& disabledMask) const;
    // Marks the masks stale and tells the undo engine, the owners and the
    // manager; false when they were stale already.
    bool invalidate() const;

private:
    friend class KvVisibilityAttributeState;
    friend class KvVisibilityChangeAction;

    void applyState(const KvVisibilityAttributeState& state, size_t oldLayer);
    void tellVisibilityChanged(size_t oldLayer);

    // The masks are a cache, filled in by const readers.
    mutable bool maskValid_ = false;
    bool enabled_ = true;
    size_t layer_ = kUnsetLayer;
    mutable KvLayerMask enabledMask_;
    mutable KvLayerMask disabledMask_;
};
