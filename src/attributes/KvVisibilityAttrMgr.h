#pragma once

#include <KvBase.h>
#include <KvBaseExport.h>
#include <KvGenre.h>

#include <cstddef>

class KvAttributedObject;

// What the application implements to follow visibility: it is told when an
// object's layer or enabled flag changes and when its cached layer masks go
// stale or become current again. One manager is active at a time.
class KV_BASE_EXPORT KvVisibilityAttrMgr : public KvGenre {
    KV_TYPE_HEADER(KvVisibilityAttrMgr)
public:
    KvVisibilityAttrMgr() = default;
    ~KvVisibilityAttrMgr() override;

    // An attribute on a layer other than 1024 joined (oldLayer 1024) or left
    // (newLayer 1024) `obj`.
    virtual void layerChanged(KvAttributedObject* obj, size_t oldLayer, size_t newLayer) = 0;
    virtual void visibilityChanged(KvAttributedObject* obj, size_t oldLayer) = 0;
    virtual void layerMaskInvalidated(KvAttributedObject* obj) = 0;
    virtual void layerMaskSettled(KvAttributedObject* obj) = 0;

    // Installs this manager. Destroying it does not uninstall it.
    void setActive() { activeMgr_ = this; }
    static KvVisibilityAttrMgr* getActive() { return activeMgr_; }

private:
    static KvVisibilityAttrMgr* activeMgr_;
};
