#include <KvMapperAction.h>

#include <KvMapper.h>

KvMapperAction::KvMapperAction(KvObservedObject* source, const KvMapper* mapper) : KvAction(source), mapper_(mapper) {
    if (mapper_) mapper_->ref();
}

KvMapperAction::KvMapperAction(const KvMapperAction& o) : KvAction(o), mapper_(o.mapper_) {
    if (mapper_) mapper_->ref();
}

KvMapperAction::~KvMapperAction() {
    if (mapper_) mapper_->unref();
}
