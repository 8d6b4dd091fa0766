#include <KvMemoryCleaner.h>

KvMemoryCleaner::~KvMemoryCleaner() = default;
