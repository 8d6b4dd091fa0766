#include <KvUndoObject.h>

#include <KvUndo.h>
#include <KvUndoManager.h>

KV_TYPE_SOURCE(KvUndoObject, "UndoObject", KvObservedObject)

KvUndoObject::KvUndoObject() { KvUndo::objectCreated(this); }

KvUndoObject::KvUndoObject(const KvUndoObject& o) : KvObservedObject(o) { KvUndo::objectCreated(this); }

KvUndoObject::KvUndoObject(const KvUndoState&) {}

KvUndoObject::~KvUndoObject() { KvUndo::objectDestroyed(this); }

KvUndoObject& KvUndoObject::operator=(const KvUndoObject& o) {
    KvObservedObject::operator=(o);
    return *this;
}

KvUndoReference KvUndoObject::reference() const { return KvUndo::reference(this); }
void KvUndoObject::prepareToSaveState() const { KvUndoManager::defaultHookReached(this); }
bool KvUndoObject::isIncidental() const {
    KvUndoManager::defaultHookReached(this);
    return false;
}
void KvUndoObject::resetCachedValues() { KvUndoManager::defaultHookReached(this); }
bool KvUndoObject::prerestore() {
    KvUndoManager::defaultHookReached(this);
    return false;
}
void KvUndoObject::postrestore(bool) { KvUndoManager::defaultHookReached(this); }

void KvUndoObject::preNotification() { KvUndo::objectChanged(this); }

KvGenre* KvUndoObject::dereference(const KvUndoReference& ref) { return KvUndo::dereference(ref); }

void KvUndoObject::restoreState(const KvUndoState&) { signalUndoChange(); }

void KvUndoObject::signalUndoChange() {
    preNotification();
    notifyNonUndoObservers(nullptr, KvActionObject());
}
