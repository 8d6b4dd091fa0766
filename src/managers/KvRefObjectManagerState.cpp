#include <KvRefObjectManagerState.h>

#include <KvRefObjectManager.h>

KvRefObjectManagerState::KvRefObjectManagerState(KvRefObjectManager& manager)
    : KvUndoState(manager.getTypeId()), nextId_(manager.getNextId()) {
    // Copied first: taking a reference may rebuild nothing, but stays safe if
    // a subclass's referenceObject touches the manager.
    const std::vector<KvRefObjectManager::Entry> entries = manager.getEntries();
    for (const KvRefObjectManager::Entry& e : entries) {
        if (!e.object) continue;
        ids_.push_back(e.id);
        refs_.push_back(manager.referenceObject(e.object));
    }
}

KvRefObjectManagerState::~KvRefObjectManagerState() = default;

void KvRefObjectManagerState::restoreObject(KvUndoObject* obj) const {
    if (KvRefObjectManager* manager = KvRefObjectManager::cast(obj)) manager->getRefObjectManagerData(*this);
}

bool KvRefObjectManagerState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvRefObjectManagerState*>(other);
    return o && o->nextId_ == nextId_ && o->ids_ == ids_ && KvUndoReference::equal(o->refs_, refs_);
}
