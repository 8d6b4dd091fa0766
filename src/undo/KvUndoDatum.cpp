#include <KvUndoDatum.h>

#include <KvCosmeticAction.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvUndoDatum, "UndoDatum", KvUndoObject)

KvUndoDatum::KvUndoDatum() = default;
KvUndoDatum::KvUndoDatum(const KvUndoDatum& o) : KvUndoObject(o) {}
KvUndoDatum::~KvUndoDatum() = default;

KvUndoDatum& KvUndoDatum::operator=(const KvUndoDatum& o) {
    KvUndoObject::operator=(o);
    return *this;
}

void KvUndoDatum::valueChanged() {}

void KvUndoDatum::handleCosmeticAction(KvCosmeticAction* action) { handleBadAction(action); }
void KvUndoDatum::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }
void KvUndoDatum::handlePurgeAction(KvPurgeAction* action) { handleBadAction(action); }
void KvUndoDatum::handleReplaceAction(KvReplaceAction* action) { handleBadAction(action); }
void KvUndoDatum::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }
void KvUndoDatum::handleUpdateAction(KvUpdateAction* action) { handleBadAction(action); }
