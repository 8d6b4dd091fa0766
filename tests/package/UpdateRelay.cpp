#include "UpdateRelay.h"

#include <KvPurgeAction.h>
#include <KvUpdateAction.h>

#ifdef QT_NO_KEYWORDS
#error "QT_NO_KEYWORDS leaked from the kvbase targets into a consumer"
#endif

void UpdateRelay::handleUpdateAction(KvUpdateAction*) { emit updated(++updates_); }

void UpdateRelay::handlePurgeAction(KvPurgeAction*) { emit purged(); }
