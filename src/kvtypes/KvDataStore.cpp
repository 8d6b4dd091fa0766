#include <KvDataStore.h>

void KvDataStore::initType(int) {}
