#include <KvSharedParamSet.h>

#include <KvDataStore.h>
#include <KvObserverIterator.h>
#include <KvParamSetAttribute.h>
#include <KvParamSetStoreFormat.h>
#include <KvRefObjectManager.h>
#include <KvRefObjectSet.h>
#include <KvSharedParamSetState.h>
#include <KvSharedParamSetUndoBridge.h>
#include <KvUndo.h>

KV_TYPE_SOURCE(KvSharedParamSet, "SharedParamSet", KvRefObject)

KvSharedParamSet::KvSharedParamSet() { createBridge(); }

KvSharedParamSet::KvSharedParamSet(const KvSharedParamSet& src)
    : KvRefObject(src), params_(src.params_), class_(src.class_), id_(src.id_) {
    createBridge();
}

KvSharedParamSet::KvSharedParamSet(const KvDataStore& store) {
    createBridge();
    KvString name;
    store.readString("Name", name);
    params_.setName(name);
    if (store.hasKey("Class")) store.readString("Class", class_);
    kv::detail::readParamSetContents(store, params_);
}

KvSharedParamSet::KvSharedParamSet(KvSharedParamSetUndoBridge* bridge, const KvSharedParamSetState& state)
    : params_(state.getParams()), class_(state.getClass()), bridge_(bridge) {
    if (bridge_) bridge_->addObserver(this);
}

KvSharedParamSet::~KvSharedParamSet() {
    if (KvSharedParamSetUndoBridge* bridge = bridge_) {
        bridge_ = nullptr;
        bridge->removeObserver(this);
        bridge->set_ = nullptr;
        bridge->destroy();
    }
}

KvSharedParamSet& KvSharedParamSet::operator=(const KvSharedParamSet& src) {
    if (this == &src) return *this;
    params_ = src.params_;
    class_ = src.class_;
    id_ = src.id_;
    KvRefObjectManager::objectRenamed(this);
    return *this;
}

void KvSharedParamSet::createBridge() {
    bridge_ = new KvSharedParamSetUndoBridge(this);
    bridge_->addObserver(this);
}

void KvSharedParamSet::resetCachedValues() {}
void KvSharedParamSet::prepareToSaveUndoState() const {}
bool KvSharedParamSet::prerestore() { return false; }
void KvSharedParamSet::postrestore(bool) {}

KvUndoState* KvSharedParamSet::getUndoState() const { return new KvSharedParamSetState(*this); }

KvUndoReference KvSharedParamSet::reference() const {
    return bridge_ ? KvUndo::reference(static_cast<const KvUndoObject*>(bridge_)) : KvUndoReference();
}

void KvSharedParamSet::preNotification() {
    if (bridge_) bridge_->updateObservers(KvActionObject(this));
}

void KvSharedParamSet::setClass(const KvString& cls) {
    if (cls == class_) return;
    class_ = cls;
    updateObservers(KvActionObject());
}

void KvSharedParamSet::setParams(const KvParamSet& params) {
    const KvString name = params_.name();
    params_ = params;
    params_.setName(name);
    updateObservers(KvActionObject());
}

void KvSharedParamSet::setName(const KvString& name) {
    params_.setName(name);
    KvRefObjectManager::objectRenamed(this);
    updateObservers(KvActionObject());
}

void KvSharedParamSet::setId(size_t id) { id_ = id; }

void KvSharedParamSet::getEntities(KvRefObjectSet& out) const {
    out.clear();
    KvObserverIterator it(this);
    for (it.first(); !it.isDone(); it.next()) {
        const KvParamSetAttribute* attr = KvParamSetAttribute::cast(it.getCurrent());
        if (!attr) continue;
        KvObserverIterator owner(attr);
        for (owner.first(); !owner.isDone(); owner.next())
            if (KvRefObject* obj = KvRefObject::cast(owner.getCurrent())) out.insert(obj);
    }
}

void KvSharedParamSet::save(KvDataStore& store) const {
    store.writeString("Name", params_.name());
    store.writeString("Class", class_);
    if (params_.isEmpty()) return;
    kv::detail::writeParamSetContents(store, params_);
}
