#include <KvAction.h>

#include <KvExcept.h>
#include <KvObservedObject.h>
#include <KvRefObject.h>
#include <KvUndoRefObject.h>

#include <ostream>

KvAction::KvAction(KvObservedObject* source) : source_(source) {
    if (!source) throw KvExcept("NULL entity");
    holdSource();
}

KvAction::KvAction(const KvAction& o) : source_(o.source_) { holdSource(); }

KvAction::~KvAction() { clearSource(); }

void KvAction::holdSource() {
    if (!source_) return;
    if (KvRefObject* r = source_->castToRefObject()) {
        r->ref();
        held_ = 1;
    } else if (KvUndoRefObject* u = source_->castToUndoRefObject()) {
        u->ref();
        held_ = 2;
    }
}

void KvAction::clearSource() {
    KvObservedObject* s = source_;
    int held = held_;
    source_ = nullptr;
    held_ = 0;
    if (!s) return;
    if (held == 1)
        s->castToRefObject()->unref();
    else if (held == 2)
        s->castToUndoRefObject()->unref();
}

std::ostream& operator<<(std::ostream& os, const KvAction* action) {
    return os << const_cast<KvAction*>(action)->getClassName() << "(" << static_cast<const void*>(action) << ")";
}
