#include <KvInfoAction.h>

#include <KvObject.h>

void KvInfoAction::process(KvObject* target) { target->handleInfoAction(this); }
