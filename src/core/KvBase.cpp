#include <KvBase.h>

#include <KvDataStore.h>
#include <KvObject.h>
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
    KvObject::initType();
    return true;
}
