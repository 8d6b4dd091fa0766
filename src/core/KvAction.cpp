#include <KvAction.h>

#include <KvExcept.h>
#include <KvObservedObject.h>
#include <KvRefObject.h>
#include <KvUndoRefObject.h>

#include <ostream>
#include <utility>

KvAction::KvAction(KvObservedObject* source) {
    if (!source) throw KvExcept("NULL entity");
    source_.take(source);
}

KvAction::KvAction(const KvAction& o) : source_(o.source_) {}

KvAction::~KvAction() = default;

void KvAction::Hold::take(KvObservedObject* obj) noexcept {
    obj_ = obj;
    if (!obj_) return;
    if (KvRefObject* r = obj_->castToRefObject()) {
        r->ref();
        kind_ = RefObject;
    } else if (KvUndoRefObject* u = obj_->castToUndoRefObject()) {
        u->ref();
        kind_ = UndoRefObject;
    }
}

void KvAction::Hold::release() {
    KvObservedObject* obj = std::exchange(obj_, nullptr);
    Kind kind = std::exchange(kind_, Nothing);
    if (kind == RefObject)
        obj->castToRefObject()->unref();
    else if (kind == UndoRefObject)
        obj->castToUndoRefObject()->unref();
}

std::ostream& operator<<(std::ostream& os, const KvAction* action) {
    return os << const_cast<KvAction*>(action)->getClassName() << "(" << static_cast<const void*>(action) << ")";
}
