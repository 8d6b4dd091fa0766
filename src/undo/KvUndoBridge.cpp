#include <KvUndoBridge.h>

#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvUndo.h>

KV_TYPE_SOURCE(KvUndoBridge, "UndoBridge", KvUndoObject)

KvUndoBridge::KvUndoBridge() = default;
KvUndoBridge::KvUndoBridge(const KvUndoBridge& o) : KvFollowsNothing(o) {}
KvUndoBridge::KvUndoBridge(const KvUndoState& state) : KvFollowsNothing(state) {}
KvUndoBridge::~KvUndoBridge() = default;

KvUndoBridge& KvUndoBridge::operator=(const KvUndoBridge& o) {
    KvUndoObject::operator=(o);
    return *this;
}

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
