#include <KvBase.h>

#include <KvActionQueue.h>
#include <KvAttributeItem.h>
#include <KvAttributedObject.h>
#include <KvCloneMapper.h>
#include <KvColorAttribute.h>
#include <KvComplexAttrIOHandler.h>
#include <KvDataStore.h>
#include <KvFrameworkBase.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityInstance.h>
#include <KvFrameworkPath.h>
#include <KvMapper.h>
#include <KvMultiFrameworkEntityInstance.h>
#include <KvMultiObject.h>
#include <KvNameAttribute.h>
#include <KvOGASourceAttribute.h>
#include <KvObject.h>
#include <KvObservedObject.h>
#include <KvOversetElement.h>
#include <KvParamSetAttribute.h>
#include <KvRefObject.h>
#include <KvRefObjectIOHandler.h>
#include <KvRefObjectManager.h>
#include <KvRefObjectManagerStack.h>
#include <KvRenderAttribute.h>
#include <KvSharedParamSet.h>
#include <KvSharedParamSetManager.h>
#include <KvSharedParamSetUndoBridge.h>
#include <KvSimpleAttrIOHandler.h>
#include <KvTSObject.h>
#include <KvTSObjectGroup.h>
#include <KvTSObjectTrackingArray1.h>
#include <KvTrackingPtr.h>
#include <KvTypes.h>
#include <KvUndoBoolDatum.h>
#include <KvUndoBridge.h>
#include <KvUndoIntDatum.h>
#include <KvUndoObject.h>
#include <KvUndoObservedObjectDatum.h>
#include <KvUndoRealDatum.h>
#include <KvUndoRefObject.h>
#include <KvUndoRefObjectDatum.h>
#include <KvUndoUIntDatum.h>
#include <KvUnresolvedIdsAttr.h>
#include <KvVisibilityAttrMgr.h>

namespace {
bool g_initDone = false;
bool g_initTypesDone = false;
}  // namespace

void KvBase::init() {
    if (g_initDone) return;
    g_initDone = true;
    KvTypes::init();
    initTypes();
    KvDataStore::initType(207);
    KvAttributeItem::init();
    KvFrameworkEntity::init();
    KvDataStore::addEntityType(KvNameAttribute::getClassTypeId(), new KvSimpleAttrIOHandler<KvNameAttribute>);
    // Older stores name the type of name records "Name".
    KvDataStore::addEntityType(KvString("Name"), new KvSimpleAttrIOHandler<KvNameAttribute>);
    KvDataStore::addEntityType(KvColorAttribute::getClassTypeId(), new KvSimpleAttrIOHandler<KvColorAttribute>);
    KvDataStore::addEntityType(KvRenderAttribute::getClassTypeId(), new KvSimpleAttrIOHandler<KvRenderAttribute>);
    KvDataStore::addEntityType(KvParamSetAttribute::getClassTypeId(), new KvComplexAttrIOHandler<KvParamSetAttribute>);
    KvDataStore::addEntityType(KvTSObjectGroup::getClassTypeId(), new KvRefObjectIOHandler<KvTSObjectGroup>);
    KvDataStore::addEntityType(KvOGASourceAttribute::getClassTypeId(), new KvSimpleAttrIOHandler<KvOGASourceAttribute>);
    KvFrameworkEntityInstance::registerIOHandler();
    KvAttributedObject::init();
    KvFrameworkPath::init();
    KvSharedParamSetManager::init();
}

bool KvBase::initTypes() {
    if (g_initTypesDone) return true;
    g_initTypesDone = true;
    KvGenre::initType();
    KvMapper::initType();
    KvObject::initType();
    KvVisibilityAttrMgr::initType();
    KvObservedObject::initType();
    KvRefObject::initType();
    KvCloneMapper::initType();
    KvUndoObject::initType();
    KvUndoRefObject::initType();
    KvUndoBridge::initType();
    KvTrackingPtr::initType();
    KvUndoUIntDatum::initType();
    KvUndoIntDatum::initType();
    KvUndoRealDatum::initType();
    KvUndoBoolDatum::initType();
    KvUndoObservedObjectDatum::initType();
    KvUndoRefObjectDatum::initType();
    KvFrameworkBase::initType();
    KvFrameworkPath::initType();
    KvAttributedObject::initType();
    KvAttributeItem::initType();
    KvMultiObject::initType();
    KvSharedParamSet::initType();
    KvSharedParamSetUndoBridge::initType();
    KvTSObject::initType();
    KvTSObjectGroup::initType();
    KvOversetElement::initType();
    KvFrameworkEntity::initType();
    KvFrameworkEntityInstance::initType();
    KvMultiFrameworkEntityInstance::initType();
    KvNameAttribute::initType();
    KvColorAttribute::initType();
    KvRenderAttribute::initType();
    KvParamSetAttribute::initType();
    KvUnresolvedIdsAttr::initType();
    KvOGASourceAttribute::initType();
    KvTSObjectTrackingArray1::initType();
    KvRefObjectManager::initType();
    KvRefObjectManagerStack::initType();
    KvSharedParamSetManager::initType();
    KvActionQueue::initType();
    return true;
}
