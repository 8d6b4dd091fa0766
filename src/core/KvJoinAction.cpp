#include <KvJoinAction.h>

#include <KvMultiObject.h>
#include <KvUndoRefObject.h>

KvJoinAction::KvJoinAction(KvObservedObject* source, KvMultiObject* multi, KvObservedObject* single,
                           const KvMapper* mapper)
    : KvMapperAction(source, mapper),
      multi_(multi),
      heldMulti_(multi),
      single_(single),
      heldSingle_(nullptr),
      singleKind_(0) {
    if (heldMulti_) heldMulti_->ref();
    if (!single_) return;
    if (KvRefObject* r = single_->castToRefObject()) {
        r->ref();
        heldSingle_ = r;
        singleKind_ = 1;
    } else if (KvUndoRefObject* u = single_->castToUndoRefObject()) {
        u->ref();
        heldSingle_ = u;
        singleKind_ = 2;
    }
}

KvJoinAction::KvJoinAction(const KvJoinAction& o)
    : KvMapperAction(o),
      multi_(o.multi_),
      heldMulti_(o.heldMulti_),
      single_(o.single_),
      heldSingle_(o.heldSingle_),
      singleKind_(o.singleKind_) {
    if (heldMulti_) heldMulti_->ref();
    if (singleKind_ == 1)
        static_cast<KvRefObject*>(heldSingle_)->ref();
    else if (singleKind_ == 2)
        static_cast<KvUndoRefObject*>(heldSingle_)->ref();
}

KvJoinAction::~KvJoinAction() {
    if (singleKind_ == 1)
        static_cast<KvRefObject*>(heldSingle_)->unref();
    else if (singleKind_ == 2)
        static_cast<KvUndoRefObject*>(heldSingle_)->unref();
    if (heldMulti_) heldMulti_->unref();
}

void KvJoinAction::process(KvObject* target) {
    if (target) target->handleJoinAction(this);
}
