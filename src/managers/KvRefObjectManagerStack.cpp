#include <KvRefObjectManagerStack.h>

#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvRefObjectManagerModifiedCallback.h>
#include <KvRefObjectManagerStackState.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvRefObjectManagerStack, "RefObjectManagerStack", KvUndoObject)

KvRefObjectManagerModifiedCallback::~KvRefObjectManagerModifiedCallback() = default;

KvRefObjectManagerStack::KvRefObjectManagerStack() = default;

KvRefObjectManagerStack::KvRefObjectManagerStack(const KvRefObjectManagerStackState& state) : KvUndoObject(state) {}

KvRefObjectManagerStack::~KvRefObjectManagerStack() {
    for (KvRefObjectManager* m : managers_)
        m->removeObserver(this);
}

KvRefObjectManager* KvRefObjectManagerStack::top() {
    if (managers_.empty()) {
        KvRefObjectManager* m = createManager();
        managers_.push_back(m);
        m->addObserver(this);
    }
    return managers_.back();
}

KvRefObjectManager* KvRefObjectManagerStack::bottom() {
    top();
    return managers_.front();
}

bool KvRefObjectManagerStack::isBaseMgr(KvRefObjectManager* manager) {
    return managers_.empty() || manager == bottom();
}

void KvRefObjectManagerStack::push(KvRefObjectManager* manager) {
    if (!manager) return;
    managers_.push_back(manager);
    manager->addObserver(this);
    updateObservers(KvActionObject(manager));
}

KvRefObjectManager* KvRefObjectManagerStack::push(bool copyObjects) {
    KvRefObjectManager* cur = top();
    KvRefObjectManager* m = createManager();
    m->nextId_ = cur->nextId_;
    push(m);
    if (copyObjects) {
        const std::vector<KvRefObjectManager::Entry> entries = cur->entries_;
        for (const KvRefObjectManager::Entry& e : entries) {
            if (!e.object) continue;
            KvRefObject* copy = m->newObject(e.object);
            if (!copy) continue;
            m->doSetObjectId(copy, e.id);
            copy->ref();
            copy->addObserver(m);
            m->entries_.push_back({m->getId(copy), copy});
            m->indexObject(copy);
        }
    }
    return m;
}

void KvRefObjectManagerStack::pop(KvRefObjectManager::MergeStyle style) {
    if (managers_.size() < 2) return;
    KvRefObjectManager* popped = managers_.back();
    managers_.pop_back();
    if (!managers_.contains(popped)) popped->removeObserver(this);
    if (style != KvRefObjectManager::MergeNone) managers_.back()->merge(popped, style);
    popped->destroy();
    if (managers_.size() == 1) managers_.front()->compact();
    updateObservers(KvActionObject());
}

void KvRefObjectManagerStack::addModifierCallback(KvRefObjectManagerModifiedCallback* callback) {
    if (callback && !callbacks_.contains(callback)) callbacks_.push_back(callback);
}

void KvRefObjectManagerStack::removeModifierCallback(KvRefObjectManagerModifiedCallback* callback) {
    callbacks_.eraseAll(callback);
}

void KvRefObjectManagerStack::handleUpdateAction(KvUpdateAction* action) {
    KvRefObjectManager* m = action ? KvRefObjectManager::cast(action->getSource()) : nullptr;
    if (!m || !managers_.contains(m)) {
        handleBadAction(action);
        return;
    }
    const kv::vector<KvRefObjectManagerModifiedCallback*> callbacks = callbacks_;
    for (KvRefObjectManagerModifiedCallback* c : callbacks)
        c->managerModified(m);
}

void KvRefObjectManagerStack::handlePurgeAction(KvPurgeAction* action) {
    KvRefObjectManager* m = action ? KvRefObjectManager::cast(action->getSource()) : nullptr;
    if (!m) {
        handleBadAction(action);
        return;
    }
    managers_.eraseAll(m);
}

void KvRefObjectManagerStack::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }
void KvRefObjectManagerStack::handleReplaceAction(KvReplaceAction* action) { handleBadAction(action); }
void KvRefObjectManagerStack::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }

void KvRefObjectManagerStack::getStackData(const KvRefObjectManagerStackState& state) {
    kv::vector<KvRefObjectManager*> restored;
    for (const KvUndoReference& ref : state.getManagers())
        if (KvRefObjectManager* m = KvRefObjectManager::cast(KvUndo::dereference(ref))) restored.push_back(m);
    for (KvRefObjectManager* m : restored)
        if (!managers_.contains(m)) m->addObserver(this);
    for (KvRefObjectManager* m : managers_)
        if (!restored.contains(m)) m->removeObserver(this);
    managers_ = restored;
}
