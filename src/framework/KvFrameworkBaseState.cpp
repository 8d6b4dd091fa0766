#include <KvFrameworkBaseState.h>

#include <KvFrameworkBase.h>

KvFrameworkBaseState::KvFrameworkBaseState(const KvFrameworkBase& framework) : KvUndoRefObjectState(framework) {}

KvFrameworkBaseState::~KvFrameworkBaseState() = default;
