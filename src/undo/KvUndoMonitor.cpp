#include <KvUndoMonitor.h>

#include <KvExcept.h>
#include <KvUndo.h>
#include <KvUndoBridge.h>
#include <KvUndoObject.h>
#include <KvUndoState.h>

#include <cstddef>
#include <memory>
#include <typeinfo>
#include <vector>

uint64_t KvUndoMonitor::rebuilds_ = 0;
const KvUndoState* KvUndoMonitor::quietStateRan_ = nullptr;
const std::type_info* KvUndoMonitor::lastQuietState_ = nullptr;

namespace {
// Few state classes exist; those seen to leave postRestoreObject() empty.
constexpr size_t kMaxQuietStates = 16;
const std::type_info* quietStates[kMaxQuietStates];
size_t numQuietStates = 0;
}  // namespace

void KvUndoMonitor::learnQuietState(const KvUndoState& state) {
    if (isQuietState(state) || numQuietStates == kMaxQuietStates) return;
    quietStates[numQuietStates++] = &typeid(state);
    lastQuietState_ = &typeid(state);
}

bool KvUndoMonitor::isQuietType(const std::type_info* type) {
    for (size_t i = 0; i < numQuietStates; ++i) {
        if (quietStates[i] == type) {
            lastQuietState_ = type;
            return true;
        }
    }
    return false;
}

KvUndoMonitor* KvUndoMonitor::create(KvUndoObject* obj, uint64_t creationSequenceId) {
    if (!obj) throw KvExcept("KvUndoMonitor created with null object");
    return new KvUndoMonitor(obj, creationSequenceId);
}

KvUndoMonitor::KvUndoMonitor(KvUndoObject* obj, uint64_t creationSequenceId)
    : incidental_(obj->isIncidental()),
      restoreFlag_(false),
      noPrerestore_(false),
      noPostrestore_(false),
      noPrepare_(false),
      currentSequenceId_(creationSequenceId),
      creationSequenceId_(creationSequenceId),
      object_(obj) {}

KvUndoMonitor::~KvUndoMonitor() {
    if (object_) KvUndo::removeMonitor(this);
    deleteAllStates();
    object_ = nullptr;
    pending_ = nullptr;
}

void KvUndoMonitor::dump() const {}

void KvUndoMonitor::unref() const {
    if (!refs_.unref()) return;
    auto* self = const_cast<KvUndoMonitor*>(this);
    if (handles_.getRefCount() > 0) {
        // Kept as a name for the object; its history is gone.
        self->pending_ = nullptr;
        self->deleteAllStates();
    } else {
        delete self;
    }
}

void KvUndoMonitor::unuseByReference() const {
    if (handles_.unref() && refs_.getRefCount() <= 0) delete const_cast<KvUndoMonitor*>(this);
}

void KvUndoMonitor::destroy() {
    object_ = nullptr;
    pending_ = nullptr;
    delete this;
}

void KvUndoMonitor::deleteAllStates() {
    std::vector<KvUndoState*> old = states_.takeAll();
    for (KvUndoState* s : old)
        delete s;
}

void KvUndoMonitor::pushState(KvUndoState* state) { states_.pushFront(state); }

void KvUndoMonitor::prepareToUpdate() {
    if (!object_ || noPrepare_) return;  // the defaults leave incidental_ false
    KvUndoManager::clearDefaultHook();
    incidental_ = object_->isIncidental();
    bool plain = KvUndoManager::reachedDefaultHook(object_);
    KvUndoManager::clearDefaultHook();
    object_->prepareToSaveState();
    noPrepare_ = plain && KvUndoManager::reachedDefaultHook(object_);
}

bool KvUndoMonitor::updateState() {
    if (destructionSequenceId_ != 0) return true;  // the destruction is the change
    if (!object_) return false;
    std::unique_ptr<KvUndoState> state(object_->getState());
    if (!state) return false;
    const KvUndoStateList& states = states_;
    if (state->supportsTranscendentValues())
        for (KvUndoState* s : states)
            s->updateTranscendentValues(state.get());
    if (!states.empty() && states.front()->isSame(state.get())) return false;
    currentSequenceId_ = state->getSequenceId();
    pushState(state.get());
    state.release();
    return true;
}

void KvUndoMonitor::restore(uint64_t target) {
    if (target == currentSequenceId_) return;
    if (target < creationSequenceId_) {
        // Back before the object was born.
        currentSequenceId_ = target;
        if (KvUndoObject* obj = object_) {
            KvUndo::removeMonitor(this);
            object_ = nullptr;
            obj->destroy();
        }
        return;
    }
    if (destructionSequenceId_ != 0 && destructionSequenceId_ <= target && object_) {
        // Brought back by an undo; the redo destroys it again.
        KvUndoObject* obj = object_;
        KvUndo::removeMonitor(this);
        object_ = nullptr;
        obj->destroy();
        currentSequenceId_ = target;
        return;
    }
    const KvUndoStateList& states = states_;
    const KvUndoState* picked = nullptr;
    for (const KvUndoState* s : states) {
        if (s->getSequenceId() <= target) {
            picked = s;
            break;
        }
    }
    if (!picked) {
        if (creationSequenceId_ != 0 || states.empty()) {
            currentSequenceId_ = 0;
            return;
        }
        picked = states.back();
    }
    pending_ = picked;
    if (!object_) {
        if (destructionSequenceId_ != 0 && destructionSequenceId_ <= target) {
            // Still deleted at the target: stand there, not at the picked
            // state, or a later restore to that state would skip the rebuild.
            currentSequenceId_ = target;
            return;
        }
        KvUndoObject* obj = picked->recreateObject();
        if (!obj) {
            KvUndo::removeMonitor(this);
            currentSequenceId_ = picked->getSequenceId();
            return;
        }
        object_ = obj;
        ++rebuilds_;
        noPrerestore_ = noPostrestore_ = noPrepare_ = false;
        incidental_ = obj->isIncidental();
        KvUndo::remapMonitor(this);
    } else if (picked->getSequenceId() != currentSequenceId_) {
        picked->restoreObject(object_);
        object_->signalUndoChange();
    }
    currentSequenceId_ = picked->getSequenceId();
}

bool KvUndoMonitor::markDestroyed(uint64_t seq) {
    currentSequenceId_ = seq;
    if (destructionSequenceId_ != 0) return false;
    destructionSequenceId_ = seq;
    object_ = nullptr;
    return seq == creationSequenceId_;
}

bool KvUndoMonitor::compress(uint64_t from, uint64_t to) {
    const KvUndoStateList& states = states_;
    bool inRange = false;
    for (const KvUndoState* s : states) {
        uint64_t q = s->getSequenceId();
        if (q >= from && q <= to) {
            inRange = true;
            break;
        }
    }
    if (inRange) {
        // Of the states taken inside the range only the newest survives,
        // restamped `from`, unless it repeats the state kept just before it.
        std::vector<KvUndoState*> kept;
        kept.reserve(states.size());
        KvUndoState* candidate = nullptr;
        auto settle = [&kept, &candidate, from]() {
            if (!kept.empty() && kept.back()->isSame(candidate)) {
                delete candidate;
            } else {
                candidate->resetSequenceId(from);
                kept.push_back(candidate);
            }
            candidate = nullptr;
        };
        bool older = false;
        for (KvUndoState* s : states) {
            uint64_t q = s->getSequenceId();
            if (older || q > to) {
                kept.push_back(s);
            } else if (q >= from) {
                if (!candidate)
                    candidate = s;
                else
                    delete s;
            } else {
                if (candidate) settle();
                kept.push_back(s);
                older = true;
            }
        }
        if (candidate) settle();
        states_.assign(kept);
    }
    bool temporary = destructionSequenceId_ != 0 && creationSequenceId_ >= from && creationSequenceId_ <= to &&
                     destructionSequenceId_ >= from && destructionSequenceId_ <= to;
    auto fold = [from, to](uint64_t& id) {
        if (id > from && id <= to) id = from;
    };
    fold(creationSequenceId_);
    if (destructionSequenceId_ != 0) fold(destructionSequenceId_);
    fold(currentSequenceId_);
    return temporary;
}

bool KvUndoMonitor::pruneAfter(uint64_t seq) {
    if (seq < creationSequenceId_) {
        deleteAllStates();
        return true;
    }
    if (seq == creationSequenceId_) {
        // The object belongs only to the discarded future.
        if (KvUndoObject* obj = object_) {
            KvUndo::removeMonitor(this);
            object_ = nullptr;
            obj->destroy();
        }
        deleteAllStates();
        return true;
    }
    if (destructionSequenceId_ != 0 && destructionSequenceId_ < seq) return false;
    destructionSequenceId_ = 0;
    const KvUndoStateList& states = states_;
    size_t n = 0;
    while (n < states.size() && states[n]->getSequenceId() >= seq)
        ++n;
    if (n > 0) {
        std::vector<KvUndoState*> dead(states.begin(), states.begin() + n);
        states_.eraseFront(n);
        for (KvUndoState* s : dead)
            delete s;
    }
    return false;
}

bool KvUndoMonitor::pruneBefore(uint64_t seq) {
    if (destructionSequenceId_ != 0 && destructionSequenceId_ <= seq) {
        deleteAllStates();
        return true;
    }
    if (states_.empty()) return false;
    // The state to keep is the newest not newer than `seq`. States run newest
    // first, so look from the oldest end: the released step is usually there,
    // and the walk touches one or two states instead of the whole history.
    KvUndoState* const* states = states_.begin();
    size_t n = states_.size(), keep = n;
    while (keep > 0 && states[keep - 1]->getSequenceId() <= seq)
        --keep;
    if (keep == n) return false;
    uint64_t keepId = states[keep]->getSequenceId();
    if (keepId == 0) return false;
    while (states_.back()->getSequenceId() < keepId) {
        KvUndoState* s = states_.back();
        states_.popBack();
        delete s;
    }
    return false;
}

bool KvUndoMonitor::isIncidental() const { return object_ ? object_->isIncidental() : incidental_; }

KvTypeId KvUndoMonitor::getObjectTypeId() const {
    if (object_) {
        if (const KvUndoBridge* bridge = KvUndoBridge::cast(object_))
            if (const KvGenre* bridged = bridge->getObject()) return bridged->getTypeId();
        return object_->getTypeId();
    }
    if (!states_.empty()) return states_.back()->getObjectType();
    return KvTypeId();
}
