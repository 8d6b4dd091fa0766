#include <KvRefObjectManagerStackState.h>

#include <KvRefObjectManagerStack.h>

KvRefObjectManagerStackState::KvRefObjectManagerStackState(const KvRefObjectManagerStack& stack)
    : KvUndoState(stack.getTypeId()) {
    for (KvRefObjectManager* m : stack.getManagers())
        managers_.push_back(m ? m->reference() : KvUndoReference());
}

KvRefObjectManagerStackState::~KvRefObjectManagerStackState() = default;

void KvRefObjectManagerStackState::restoreObject(KvUndoObject* obj) const {
    if (KvRefObjectManagerStack* stack = KvRefObjectManagerStack::cast(obj)) stack->getStackData(*this);
}

bool KvRefObjectManagerStackState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvRefObjectManagerStackState*>(other);
    return o && KvUndoReference::equal(o->managers_, managers_);
}
