#include <KvBase.h>

#include <KvActionQueue.h>
#include <KvDataStore.h>
#include <KvMapper.h>
#include <KvMultiObject.h>
#include <KvObject.h>
#include <KvObservedObject.h>
#include <KvRefObject.h>
#include <KvTrackingPtr.h>
#include <KvUndoObject.h>
#include <KvUndoRefObject.h>
#include <KvTypes.h>

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
}

bool KvBase::initTypes() {
    if (g_initTypesDone) return true;
    g_initTypesDone = true;
    KvGenre::initType();
    KvMapper::initType();
    KvObject::initType();
    KvObservedObject::initType();
    KvRefObject::initType();
    KvUndoObject::initType();
    KvUndoRefObject::initType();
    KvTrackingPtr::initType();
    KvMultiObject::initType();
    KvActionQueue::initType();
    return true;
}
