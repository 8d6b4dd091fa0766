#include <KvUndoBridge.h>

#include <KvCosmeticAction.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

#include <KvActionQueue.h>
#include <KvObserverIterator.h>
#include <KvRefObject.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvUndoBridge, "UndoBridge", KvUndoObject)

KvUndoBridge::KvUndoBridge() = default;
KvUndoBridge::KvUndoBridge(const KvUndoBridge& o) : KvUndoObject(o) {}
KvUndoBridge::KvUndoBridge(const KvUndoState& state) : KvUndoObject(state) {}
KvUndoBridge::~KvUndoBridge() = default;

KvUndoBridge& KvUndoBridge::operator=(const KvUndoBridge& o) {
    KvUndoObject::operator=(o);
    return *this;
}

void KvUndoBridge::handleCosmeticAction(KvCosmeticAction* action) { handleBadAction(action); }
void KvUndoBridge::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }
void KvUndoBridge::handlePurgeAction(KvPurgeAction* action) { handleBadAction(action); }
void KvUndoBridge::handleReplaceAction(KvReplaceAction* action) { handleBadAction(action); }
void KvUndoBridge::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }
void KvUndoBridge::handleUpdateAction(KvUpdateAction* action) { handleBadAction(action); }

void KvUndoBridge::restoreState(const KvUndoState&) {}
void KvUndoBridge::postRestoreState(const KvUndoState&) {}

KvGenre* KvUndoBridge::dereference(const KvUndoReference& ref) {
    KvUndoBridge* bridge = KvUndoBridge::cast(KvUndo::dereference(ref));
    return bridge ? bridge->getObject() : nullptr;
}

void KvUndoBridge::signalUndoChange() {
    KvObservedObject* target = KvObservedObject::cast(getObject());
    if (!target) {
        KvUndoObject::signalUndoChange();
        return;
    }
    // Keep the bridged object alive while its observers are told.
    KvRefObject* held = target->castToRefObject();
    if (held) held->ref();
    KvUpdateAction* action = nullptr;
    try {
        if (target->getNumObservers() > 0) {
            KvObserverIterator it(target);
            for (it.first(); !it.isDone(); it.next()) {
                KvObject* observer = it.getCurrent();
                if (observer->canUndo()) continue;
                if (!action) {
                    action = new KvUpdateAction(target, nullptr);
                    action->ref();
                }
                KvActionQueue::add(observer, action);
            }
        }
        KvActionQueue::process();
    } catch (...) {
        if (action) action->unref();
        if (held) held->unref();
        throw;
    }
    if (action) action->unref();
    if (held) held->unref();
}
