#include <KvUndoBridge.h>

#include <KvRefObject.h>
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
    // Keep the bridged object alive while its observers are told. One that
    // nobody holds (a count of 0: just made, read from a store or rebuilt by
    // undo) is left as it was found: letting go of it must not destroy it.
    // One that is held goes if an observer dropped the last reference.
    KvRefObject* shared = target->castToRefObject();
    const bool held = shared && shared->getRefCount() > 0;
    auto letGo = [shared, held]() {
        if (!shared) return;
        if (held)
            shared->unref();
        else
            shared->unrefKeep();
    };
    if (shared) shared->ref();
    try {
        notifyNonUndoObservers(target, nullptr, KvActionObject());
    } catch (...) {
        letGo();
        throw;
    }
    letGo();
}
