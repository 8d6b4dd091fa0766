#include <KvNameChecker.h>

bool KvNameChecker::contains(const KvString&) const { return false; }
