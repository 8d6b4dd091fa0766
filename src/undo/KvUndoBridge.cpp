#include <KvUndoBridge.h>

#include <KvCosmeticAction.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvUndo.h>

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
    KvRefPtr<KvRefObject> hold(target->castToRefObject());
    notifyNonUndoObservers(target, nullptr, KvActionObject());
}
