#include <KvMapperAction.h>

#include <KvMapper.h>

KvMapperAction::KvMapperAction(KvObservedObject* source, const KvMapper* mapper) : KvAction(source), mapper_(mapper) {}

KvMapperAction::KvMapperAction(const KvMapperAction& o) = default;

KvMapperAction::~KvMapperAction() = default;
