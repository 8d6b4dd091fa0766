#include <KvNameAttrMgr.h>

KvNameAttrMgr* KvNameAttrMgr::activeMgr_ = nullptr;

KvNameAttrMgr::~KvNameAttrMgr() {
    // A manager that goes away must not stay reachable through getActive().
    if (activeMgr_ == this) activeMgr_ = nullptr;
}

void KvNameAttrMgr::setActive() { activeMgr_ = this; }

KvNameAttrMgr* KvNameAttrMgr::getActive() { return activeMgr_; }
