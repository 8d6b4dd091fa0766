#include <KvEntityType.h>

KvEntityType::~KvEntityType() = default;
