#include <KvUndo.h>

bool KvUndo::isRestoring() { return false; }
void KvUndo::objectChanged(KvUndoObject*) {}
