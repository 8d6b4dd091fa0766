#include <KvSharedParamSetManager.h>

#include <KvDataStore.h>
#include <KvObjectIOHandler.h>
#include <KvSharedParamSet.h>
#include <KvSharedParamSetManagerDatum.h>
#include <KvSharedParamSetManagerStack.h>
#include <KvSharedParamSetManagerState.h>
#include <KvUndo.h>
#include <KvUndoBridge.h>

KV_TYPE_SOURCE(KvSharedParamSetManager, "SharedParamSetManager", KvRefObjectManager)

namespace {

const char* const kSection = "SharedParamSets";

// Lives until the process ends, like the registrations of start-up.
KvSharedParamSetManagerDatum* g_datum = nullptr;

}  // namespace

KvSharedParamSetManager::KvSharedParamSetManager() = default;

KvSharedParamSetManager::KvSharedParamSetManager(const KvSharedParamSetManagerState& state)
    : KvRefObjectManager(state) {
    getRefObjectManagerData(state);
}

KvSharedParamSetManager::KvSharedParamSetManager(const KvDataStore& store) { loadObjects(store, kSection, false); }

KvSharedParamSetManager::~KvSharedParamSetManager() = default;

KvUndoState* KvSharedParamSetManager::getState() const {
    return new KvSharedParamSetManagerState(const_cast<KvSharedParamSetManager&>(*this));
}

// ------------------------------------------------------------ statics

void KvSharedParamSetManager::init() {
    if (g_datum) return;
    KvDataStore::addEntityType(KvSharedParamSet::getClassTypeId(), new KvObjectIOHandler<KvSharedParamSet>);
    auto* stack = new KvSharedParamSetManagerStack;
    g_datum = new KvSharedParamSetManagerDatum;
    g_datum->set(stack);
    stack->top();
}

KvSharedParamSetManagerStack* KvSharedParamSetManager::getStack() {
    return g_datum ? KvSharedParamSetManagerStack::cast(g_datum->get()) : nullptr;
}

KvSharedParamSetManager* KvSharedParamSetManager::getCurrentMgr() {
    KvSharedParamSetManagerStack* stack = getStack();
    return stack ? KvSharedParamSetManager::cast(stack->top()) : nullptr;
}

void KvSharedParamSetManager::loadStart(const KvDataStore& store) {
    KvSharedParamSetManagerStack* stack = getStack();
    if (!stack) return;
    auto* m = KvSharedParamSetManager::cast(stack->push(false));
    if (m) m->loadObjects(store, kSection, true);
}

void KvSharedParamSetManager::loadFinish(bool merge) {
    if (KvSharedParamSetManagerStack* stack = getStack()) stack->pop(merge ? MergeKeepBoth : MergeNone);
}

void KvSharedParamSetManager::save(KvDataStore& store) {
    KvSharedParamSetManagerStack* stack = getStack();
    if (!stack || stack->getSize() == 0) return;
    static_cast<KvSharedParamSetManager*>(stack->top())->saveObjects(store, kSection, true);
}

void KvSharedParamSetManager::reset() {
    if (KvSharedParamSetManager* m = getCurrentMgr()) m->deleteObjects();
}

void KvSharedParamSetManager::addModifierCallback(KvRefObjectManagerModifiedCallback* callback) {
    if (KvSharedParamSetManagerStack* stack = getStack()) stack->addModifierCallback(callback);
}

void KvSharedParamSetManager::removeModifierCallback(KvRefObjectManagerModifiedCallback* callback) {
    if (KvSharedParamSetManagerStack* stack = getStack()) stack->removeModifierCallback(callback);
}

// ------------------------------------------------------------ manager hooks

KvString KvSharedParamSetManager::getName(KvRefObject* obj) {
    const KvSharedParamSet* set = KvSharedParamSet::cast(obj);
    return set ? set->getName() : KvString("");
}

size_t KvSharedParamSetManager::getId(KvRefObject* obj) const {
    const KvSharedParamSet* set = KvSharedParamSet::cast(obj);
    return set ? set->getId() : 0;
}

bool KvSharedParamSetManager::isBaseMgr() const {
    KvSharedParamSetManagerStack* stack = getStack();
    return !stack || stack->isBaseMgr(const_cast<KvSharedParamSetManager*>(this));
}

KvString KvSharedParamSetManager::getObjectBaseName() { return "param"; }

KvRefObject* KvSharedParamSetManager::newObject(const KvRefObject* src) {
    if (!src) return new KvSharedParamSet;
    const KvSharedParamSet* set = KvSharedParamSet::cast(src);
    return set ? new KvSharedParamSet(*set) : nullptr;
}

bool KvSharedParamSetManager::doSetObjectName(KvRefObject* obj, const KvString& name) const {
    KvSharedParamSet* set = KvSharedParamSet::cast(obj);
    if (!set) return false;
    set->setName(name);
    return true;
}

void KvSharedParamSetManager::doSetObjectId(KvRefObject* obj, size_t id) const {
    if (KvSharedParamSet* set = KvSharedParamSet::cast(obj)) set->setId(id);
}

bool KvSharedParamSetManager::doSetObject(KvRefObject* dst, KvRefObject* src) const {
    KvSharedParamSet* d = KvSharedParamSet::cast(dst);
    const KvSharedParamSet* s = KvSharedParamSet::cast(src);
    if (!d || !s) return false;
    *d = *s;
    // Users of the set, and undo, hear of the new contents.
    d->updateObservers(KvActionObject());
    return true;
}

bool KvSharedParamSetManager::isSameObject(KvRefObject* a, KvRefObject* b) const {
    const KvSharedParamSet* x = KvSharedParamSet::cast(a);
    const KvSharedParamSet* y = KvSharedParamSet::cast(b);
    return x && y && *x == *y;
}

KvUndoReference KvSharedParamSetManager::referenceObject(KvRefObject* obj) {
    const KvSharedParamSet* set = KvSharedParamSet::cast(obj);
    return set ? set->reference() : KvUndoReference();
}

KvRefObject* KvSharedParamSetManager::dereferenceObject(KvUndoReference ref) const {
    return KvSharedParamSet::cast(KvUndoBridge::dereference(ref));
}
