#pragma once

#include <KvAttRemovalCallback.h>
#include <KvAttributeItem.h>
#include <KvLayerMask.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvString.h>
#include <KvTimeStamp.h>
#include <KvTypeId.h>
#include <KvUndoReference.h>
#include <KvVector.h>

#include <KvMap.h>
#include <KvSet.h>

#include <cstddef>

class KvAttributedObjectArray1;
class KvAttributedObjectState;
class KvAttributedObjectUndoBridge;
class KvCloneMapper;
class KvConstAttributedObjectArray1;
class KvDataStore;
class KvFrameworkBase;
class KvUndoState;
class KvColor;
class KvParamSetAttribute;
class KvRenderSettings;
class KvVisibilityAttribute;
class KvXformMatrix;

// A reference object that carries attribute items, at most one per item type.
//
// The object holds one reference to each of its items and observes them, so a
// change of an item reaches the object, which passes it on to its own
// observers as an attribute action. Items may be shared between objects.
//
// An attributed object is not an undo object: its companion bridge
// (KvAttributedObjectUndoBridge) stands for it in the undo engine. Each change
// of the item set is reported through the bridge, and the bridge hands the
// engine the object's states (getUndoState) and writes them back.
class KV_BASE_EXPORT KvAttributedObject : public KvRefObject {
    KV_TYPE_HEADER(KvAttributedObject)
public:
    // Items by their type, walked in ascending type order. Implicitly shared.
    using AttributeMap = kv::map<KvTypeId, KvRefPtr<KvAttributeItem>>;

    ~KvAttributedObject() override;

    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleCosmeticAction(KvCosmeticAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    // Restored by its bridge, so observers that restore themselves skip it.
    bool canUndo() const override { return true; }
    // Both stamp the object before telling its observers.
    void updateObservers(const KvMapper* mapper, KvActionObject originator) override;
    void updateObservers(KvActionObject originator = KvActionObject()) override;
    void sendCosmeticUpdate(KvActionObject originator = KvActionObject()) override;

    // --- items
    virtual const KvAttributeItem* getAttribItemOfType(const KvTypeId& type) const;
    virtual KvAttributeItem* getAttribItemOfType(const KvTypeId& type);
    // False (and the item is not taken) when an item of its type is present.
    virtual bool addAttribItem(KvAttributeItem* item);
    // Puts `item` in place of the item of its type, if any.
    virtual bool replaceAttribItem(KvAttributeItem* item);
    // As replace, but true only when `item` is an unmodified copy of the
    // item it takes the place of.
    virtual bool swapAttribItem(KvAttributeItem* item);
    // False unless `item` itself is carried.
    virtual bool removeAttribItem(KvAttributeItem* item);
    virtual bool removeAttribItemOfType(const KvTypeId& type);
    // Removes the items of `type` and of its descendant types; the callback
    // hears of each removed item once all are removed. Returns the count.
    virtual size_t removeAllAttribItemsOfType(const KvTypeId& type, KvAttRemovalCallback* callback = nullptr);
    virtual void removeAllAttributes();

    // --- visibility (the visibility attribute; false when it is absent)
    enum ImportLayerScheme { KeepLayers = 0, SingleLayer = 1, RenumberLayers = 2 };

    // The masks (rebuilt first when stale), the layer and the flag.
    virtual bool getVisibilityAtts(size_t& layer, bool& enabled, KvLayerMask& enabledMask,
                                   KvLayerMask& disabledMask) const;
    virtual bool getEnabled(bool& enabled) const;
    // Entities whose visibility this object's depends on, and the reverse.
    virtual void getVisibilitySupportEntities(KvConstAttributedObjectArray1& out) const;
    virtual void getVisibilityDependentEntities(KvConstAttributedObjectArray1& out) const;
    bool getLayer(size_t& layer) const;
    bool getValidatedLayer(size_t& layer) const;
    bool getLayerMask(KvLayerMask& enabledMask, KvLayerMask& disabledMask) const;
    bool hasLayerMask() const;
    // Both add a default attribute first when there is none.
    void setEnabled(bool enabled);
    void setLayer(size_t layer);
    // Places an object that is still on the default layer (or none).
    void addLayerMask(bool enabled, size_t layer);
    // Marks the masks of this object and of its dependents stale.
    void invalidateLayerMask() const;
    // Scheme 2 renumbers the layers met, from `layer` on, in order of first
    // appearance; `mapping` gets old to new.
    static bool applyLayerScheme(size_t layer, ImportLayerScheme scheme, const KvAttributedObjectArray1& objects,
                                 kv::map<size_t, size_t>& mapping);
    static const KvTypeId& getVisibilityAttTypeId();
    static KvTypeId getVisibilityAttributeTypeId() { return getVisibilityAttTypeId(); }

    virtual void updateModificationTime();
    virtual bool isUnmodifiedCopy(const KvAttributedObject* other) const;
    virtual void resetCachedValues();
    virtual void prepareToSaveUndoState() const;
    // A new state of the concrete class, owned by the caller.
    virtual KvUndoState* getUndoState() const = 0;
    // The undo handle of the object (through its bridge).
    virtual KvUndoReference reference() const;
    virtual void addMustClone(KvCloneMapper& mapper) const;
    virtual void explicitAddMustClone(KvCloneMapper& mapper) const;
    // Writes the name under "Name" and the other items in "Attributes".
    virtual void save(KvDataStore& store) const;

    const KvTimeStamp& getModificationTime() const { return modTime_; }
    KvAttributedObjectUndoBridge* getUndoBridge() const { return bridge_; }
    const AttributeMap& getAttributes() const { return attributes_; }
    void getAttributeTypes(kv::vector<KvTypeId>& types) const;
    void transformAttributes(const KvXformMatrix& xform);

    // --- name, colour, render settings and parameter sets (false or null
    // without the item; setters add one when absent)
    bool getName(KvString& name) const;
    KvString name() const;
    // An item shared with other owners is replaced by one of this object's own.
    bool setName(const KvString& name);
    bool getRGB(KvColor& color) const;
    bool getRGBA(KvColor& color) const;
    bool getAlpha(float& alpha) const;
    // These change the item in place: every owner of a shared item sees it.
    void setRGB(const KvColor& color);
    void setRGBA(const KvColor& color);
    void setAlpha(float alpha);
    bool getRenderSettings(KvRenderSettings& settings) const;
    void setRenderSettings(const KvRenderSettings& settings);
    const KvParamSetAttribute* getParamSetAttr() const;
    KvParamSetAttribute* getParamSetAttr(bool create);

    // --- whole sets of attributes
    static void copyAttributes(const KvAttributedObject* src, KvAttributedObject* dst);
    // As copyAttributes, leaving out the types in `excluded` (exactly those).
    static void copyFilteredAttributes(const KvAttributedObject* src, KvAttributedObject* dst,
                                       const kv::set<KvTypeId>& excluded);
    static void joinAttributes(const KvConstAttributedObjectArray1& sources, KvAttributedObject* target);
    static void splitAttributes(const KvAttributedObject* src, const KvAttributedObjectArray1& targets);
    // The attributed objects that carry `item`; returns their count.
    static size_t getOwnersOfItem(const KvAttributeItem* item, KvAttributedObjectArray1& out);
    static size_t getOwnersOfItem(const KvAttributeItem* item, KvConstAttributedObjectArray1& out);

    // Once per process.
    static void init();
    // The object that an undo reference taken with reference() names now.
    static KvGenre* dereference(const KvUndoReference& ref);

protected:
    KvAttributedObject();
    // Duplicates the items of `src` (postAdd is not run).
    KvAttributedObject(const KvAttributedObject& src);
    KvAttributedObject(const KvAttributedObject& src, KvCloneMapper& mapper);
    // Reads the name and the "Attributes" section; problems are reported to
    // the store.
    explicit KvAttributedObject(const KvDataStore& store);
    // For states that rebuild a deleted object.
    KvAttributedObject(KvAttributedObjectUndoBridge* bridge, const KvAttributedObjectState& state);
    KvAttributedObject& operator=(const KvAttributedObject& src);

    void preNotification() override;
    virtual bool prerestore();
    virtual void postrestore(bool prerestoreResult);
    // Tells the observers that `item` changed; with `updateUndo`, the undo
    // engine as well.
    virtual void attrUpdateObservers(KvAttributeItem* item, bool updateUndo, KvActionObject originator);

    void clearExternalFrameworkReferences(const KvFrameworkBase* framework);
    void rebuildLayerMask() const;
    void handleRemoveVisDependentEntity(const KvAttributedObject* dep) const;
    void handleUpdateVisDependentEntity(const KvAttributedObject* dep) const;
    // Reports a change of the item set to the undo engine.
    void updateUndo() const;

private:
    friend class KvAttributedObjectState;
    friend class KvAttributedObjectUndoBridge;

    // Drops every item without notifying anybody.
    virtual void clearAllAttributes();

    void createBridge();
    void insertItem(const KvTypeId& type, KvAttributeItem* item);
    // Stops observing the item of `type`, and erases it; returns the item,
    // still alive, for postRemove.
    KvRefPtr<KvAttributeItem> takeItem(const KvTypeId& type);
    void readAttributesSection(const KvDataStore& store);
    // Without the restore test and without telling anybody but the manager.
    void forcedInvalidateLayerMask() const;
    KvVisibilityAttribute* visibilityAttribute() const;

    KvTimeStamp modTime_;
    AttributeMap attributes_;
    KvAttributedObjectUndoBridge* bridge_ = nullptr;
};
