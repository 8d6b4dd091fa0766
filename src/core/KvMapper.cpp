#include <KvMapper.h>

KV_TYPE_SOURCE(KvMapper, "Mapper", KvGenre)

KvMapper::~KvMapper() = default;
