#include <KvCloneMapperReplacer.h>

#include <KvCloneMapper.h>

KvCloneMapperReplacer::~KvCloneMapperReplacer() = default;

void KvCloneMapperReplacer::execute() {
    if (!mapper_) return;
    switch (pass_) {
        case MakeReplacements:
            mapper_->makeReplacements();
            break;
        case MakeTrueReplacements:
            mapper_->makeTrueReplacements();
            break;
        case DiscardReplacements:
            mapper_->discardReplacements();
            break;
        default:
            break;
    }
}
