#include <KvAttRemovalCallback.h>

KvAttRemovalCallback::~KvAttRemovalCallback() = default;
