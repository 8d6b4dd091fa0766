#include <KvMapperAction.h>

KvString KvMapperAction::getClassName() { return "MapperAction"; }
