#include <KvVisibilityAttrMgr.h>

KV_TYPE_SOURCE(KvVisibilityAttrMgr, "VisibilityAttrMgr", KvGenre)

KvVisibilityAttrMgr* KvVisibilityAttrMgr::activeMgr_ = nullptr;

KvVisibilityAttrMgr::~KvVisibilityAttrMgr() = default;
