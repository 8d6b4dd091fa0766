#include <KvDelayedFunction.h>

KvDelayedFunction::~KvDelayedFunction() = default;
