#include <KvBase.h>

#include <KvActionQueue.h>
#include <KvAttributeItem.h>
#include <KvAttributedObject.h>
#include <KvCloneMapper.h>
#include <KvDataStore.h>
#include <KvFrameworkBase.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityInstance.h>
#include <KvFrameworkPath.h>
#include <KvMapper.h>
#include <KvMultiFrameworkEntityInstance.h>
#include <KvMultiObject.h>
#include <KvObject.h>
#include <KvObservedObject.h>
#include <KvOversetElement.h>
#include <KvRefObject.h>
#include <KvTSObject.h>
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
    KvFrameworkEntityInstance::registerIOHandler();
    KvAttributedObject::init();
    KvFrameworkPath::init();
}

bool KvBase::initTypes() {
    if (g_initTypesDone) return true;
    g_initTypesDone = true;
    KvGenre::initType();
    KvMapper::initType();
    KvObject::initType();
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
    KvTSObject::initType();
    KvOversetElement::initType();
    KvFrameworkEntity::initType();
    KvFrameworkEntityInstance::initType();
    KvMultiFrameworkEntityInstance::initType();
    KvTSObjectTrackingArray1::initType();
    KvActionQueue::initType();
    return true;
}
