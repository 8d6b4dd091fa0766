#include <KvJoinAction.h>

#include <KvMultiObject.h>

KvJoinAction::KvJoinAction(KvObservedObject* source, KvMultiObject* multi, KvObservedObject* single,
                           const KvMapper* mapper)
    : KvMapperAction(source, mapper), multi_(multi), single_(single) {}

KvJoinAction::KvJoinAction(const KvJoinAction& o) = default;

KvJoinAction::~KvJoinAction() = default;

void KvJoinAction::process(KvObject* target) {
    if (target) target->handleJoinAction(this);
}
