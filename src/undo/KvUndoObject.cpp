#include <KvUndoObject.h>

#include <KvActionQueue.h>
#include <KvObserverIterator.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

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
void KvUndoObject::prepareToSaveState() const {}
bool KvUndoObject::isIncidental() const { return false; }
void KvUndoObject::resetCachedValues() {}
bool KvUndoObject::prerestore() { return false; }
void KvUndoObject::postrestore(bool) {}

void KvUndoObject::preNotification() { KvUndo::objectChanged(this); }

KvGenre* KvUndoObject::dereference(const KvUndoReference& ref) { return KvUndo::dereference(ref); }

void KvUndoObject::restoreState(const KvUndoState&) { signalUndoChange(); }

void KvUndoObject::signalUndoChange() {
    // The action is made for the first observer that wants it: most restored
    // objects have none, and a restore touches every object of a step.
    KvUpdateAction* action = nullptr;
    try {
        preNotification();
        if (getNumObservers() > 0) {
            KvObserverIterator it(this);
            for (it.first(); !it.isDone(); it.next()) {
                KvObject* observer = it.getCurrent();
                if (observer->canUndo()) continue;
                if (!action) {
                    action = new KvUpdateAction(this, nullptr);
                    action->ref();
                }
                KvActionQueue::add(observer, action);
            }
        }
        KvActionQueue::process();
    } catch (...) {
        if (action) action->unref();
        throw;
    }
    if (action) action->unref();
}
