#include <KvObject.h>

KV_TYPE_SOURCE(KvObject, "Object", KvGenre)

KvObject::~KvObject() {}

void KvObject::handleAttributeAction(KvAttributeAction*) {}
void KvObject::handleCosmeticAction(KvCosmeticAction*) {}
void KvObject::handleInfoAction(KvInfoAction*) {}

void KvObject::handleBadAction(KvAction*) {}
