#include <KvActionSubQueue.h>

KvActionSubQueue::~KvActionSubQueue() = default;
