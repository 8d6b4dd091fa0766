#include <KvFrameworkPath.h>

#include <KvActionLock.h>
#include <KvCosmeticAction.h>
#include <KvDataStore.h>
#include <KvExcept.h>
#include <KvFrameworkPathImpl.h>
#include <KvFrameworkPathQueryActive.h>
#include <KvJoinAction.h>
#include <KvObserverIterator.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

#include <algorithm>
#include <ostream>

KV_TYPE_SOURCE(KvFrameworkPath, "FrameworkPath", KvObject)

namespace {

using Chain = KvFrameworkPath::Chain;

KvFrameworkPathQueryActive* g_activeQuery = nullptr;

const KvXformMatrix& identity() {
    static const KvXformMatrix id;
    return id;
}

// Whether `chain` runs, unbroken, somewhere in `list`.
bool holdsRun(const Chain& list, const Chain& chain) {
    const size_t first = list.indexOf(chain.front());
    if (first == Chain::npos || first + chain.size() > list.size()) return false;
    for (size_t k = 1; k < chain.size(); ++k)
        if (list[first + k] != chain[k]) return false;
    return true;
}

}  // namespace

KvFrameworkPath::KvFrameworkPath() = default;

KvFrameworkPath::KvFrameworkPath(const KvFrameworkPath& other) : KvObject(other) { setImpl(other.impl_.get()); }

KvFrameworkPath::~KvFrameworkPath() { setImpl(nullptr); }

KvFrameworkPath& KvFrameworkPath::operator=(const KvFrameworkPath& other) {
    if (this == &other) return *this;
    setImpl(other.impl_.get());
    notify(KvFrameworkPathMonitor::Modified);
    return *this;
}

void KvFrameworkPath::setImpl(KvFrameworkPathImpl* impl) { impl_.set(this, impl); }

void KvFrameworkPath::adopt(const Chain& chain) {
    if (chain.empty()) {
        setImpl(nullptr);
    } else if (KvFrameworkPathImpl* twin = KvFrameworkPathImpl::find(chain)) {
        setImpl(twin);
    } else if (impl_ && impl_->getRefCount() == 1 && !impl_->isDying()) {
        // Nobody else runs along the old chain: no need for a new impl.
        impl_->setFrameworks(chain);
    } else {
        setImpl(new KvFrameworkPathImpl(chain));
    }
    notify(KvFrameworkPathMonitor::Modified);
}

void KvFrameworkPath::notify(KvFrameworkPathMonitor::Reason reason) {
    // A monitor may add or remove monitors (itself included) while told.
    const kv::vector<KvFrameworkPathMonitor*> monitors(monitors_);
    for (KvFrameworkPathMonitor* m : monitors)
        if (monitors_.contains(m)) m->pathModified(this, reason);
}

// --- the chain

size_t KvFrameworkPath::getDepth() const { return impl_ ? impl_->size() : 0; }

KvFrameworkBase* KvFrameworkPath::getFramework(size_t i) const {
    if (i >= getDepth()) throw KvExcept::boundsError("KvFrameworkPath::getFramework");
    return impl_->getFrameworks()[i].get();
}

KvFrameworkBase* KvFrameworkPath::getRoot() const {
    return getDepth() ? impl_->getFrameworks().front().get() : nullptr;
}

KvFrameworkBase* KvFrameworkPath::getTail() const { return getDepth() ? impl_->getFrameworks().back().get() : nullptr; }

long long KvFrameworkPath::find(const KvFrameworkBase* framework) const {
    const size_t i = impl_ ? impl_->indexOf(framework) : KvFrameworkPathImpl::npos;
    return i == KvFrameworkPathImpl::npos ? -1 : static_cast<long long>(i);
}

bool KvFrameworkPath::contains(const KvFrameworkBase* parent, const KvFrameworkBase* child) const {
    const long long i = find(parent);
    return i >= 0 && static_cast<size_t>(i) + 1 < getDepth() && getFramework(static_cast<size_t>(i) + 1) == child;
}

Chain KvFrameworkPath::list() const { return impl_ ? impl_->getFrameworks() : Chain(); }

// --- transforms

const KvXformMatrix& KvFrameworkPath::getTailToRootXform() const {
    return impl_ ? impl_->getTailToRootXform() : identity();
}

KvXformMatrix KvFrameworkPath::getRootToTailXform() const { return getTailToRootXform().inverse(); }

KvFrameworkPath::Result KvFrameworkPath::getXformFromPath(const KvFrameworkPath& other, KvXformMatrix& out) const {
    KvFrameworkBase* root = getRoot();
    KvFrameworkBase* tail = getTail();
    KvFrameworkBase* otherRoot = other.getRoot();
    KvFrameworkBase* otherTail = other.getTail();
    if (root == otherRoot) {
        out = *this == other ? identity() : getRootToTailXform() * other.getTailToRootXform();
        return Success;
    }
    if (tail && tail == otherRoot) {
        out = other.getTailToRootXform();
        return Success;
    }
    // A path that starts at `from` and goes on along `rest`.
    auto joined = [&out](KvFrameworkBase* from, const KvFrameworkPath& rest, Result failure) {
        KvFrameworkPath path;
        path.append(from);
        if (!path.join(rest)) {
            out = identity();
            return failure;
        }
        out = path.getTailToRootXform();
        return Success;
    };
    if (tail && otherRoot && tail->containsFramework(otherRoot)) return joined(tail, other, NoJoinFromThisTail);
    if (otherTail && otherTail == root) {
        out = getTailToRootXform();
        return Success;
    }
    if (otherTail && root && otherTail->containsFramework(root)) return joined(otherTail, *this, NoJoinFromOtherTail);
    out = identity();
    return Unrelated;
}

bool KvFrameworkPath::operator==(const KvFrameworkPath& other) const {
    if (impl_.get() == other.impl_.get()) return true;
    const size_t n = getDepth();
    if (n != other.getDepth()) return false;
    return n == 0 || impl_->getFrameworks().equals(other.impl_->getFrameworks());
}

bool KvFrameworkPath::operator<(const KvFrameworkPath& other) const {
    if (!other.impl_) return static_cast<bool>(impl_);
    if (!impl_) return false;
    const Chain& a = impl_->getFrameworks();
    const Chain& b = other.impl_->getFrameworks();
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        if (!a[i]) return false;
        if (!b[i]) return true;
        return *a[i] < *b[i];
    }
    return false;
}

KvString KvFrameworkPath::toString(char separator) const {
    const KvString sep(&separator, 1);
    KvString out("");
    for (size_t i = 0; i < getDepth(); ++i) {
        if (i > 0) out += sep;
        out += getFramework(i)->getFrameworkName().escape(sep);
    }
    return out;
}

bool KvFrameworkPath::fromString(const KvString&, const KvFrameworkBase&, KvFrameworkPath& out, char) {
    out.clear();
    return false;
}

// --- edits

bool KvFrameworkPath::append(KvFrameworkBase* framework) {
    if (!framework) return false;
    KvFrameworkBase* tail = getTail();
    if (tail && !tail->containsFramework(framework)) return false;
    Chain chain = list();
    chain.push_back(framework);
    adopt(chain);
    return true;
}

bool KvFrameworkPath::join(const KvFrameworkPath& other) {
    if (other.isEmpty()) return true;
    KvFrameworkBase* tail = getTail();
    if (tail && !tail->containsFramework(other.getRoot())) return false;
    Chain chain = list();
    chain << other.list();
    adopt(chain);
    return true;
}

bool KvFrameworkPath::set(const Chain& chain) {
    if (chain.empty()) {
        clear();
        return true;
    }
    Chain held;
    for (const KvRefPtr<KvFrameworkBase>& f : chain) {
        if (!f || (!held.empty() && !held.back()->containsFramework(f.get()))) break;
        held.push_back(f);
    }
    adopt(held);
    return held.size() == chain.size();
}

KvFrameworkPath& KvFrameworkPath::trimEnd(size_t n) {
    const size_t depth = getDepth();
    if (n > 0 && depth > 0) adopt(KvFrameworkPathImpl::slice(impl_->getFrameworks(), 0, depth - std::min(n, depth)));
    return *this;
}

KvFrameworkPath& KvFrameworkPath::trimStart(size_t n) {
    const size_t depth = getDepth();
    if (n > 0 && depth > 0) adopt(KvFrameworkPathImpl::slice(impl_->getFrameworks(), std::min(n, depth), depth));
    return *this;
}

void KvFrameworkPath::clear() {
    if (!impl_) return;
    setImpl(nullptr);
    notify(KvFrameworkPathMonitor::Modified);
}

kv::vector<KvUndoReference> KvFrameworkPath::createState() const {
    kv::vector<KvUndoReference> state;
    state.reserve(getDepth());
    for (const KvRefPtr<KvFrameworkBase>& f : list())
        state.push_back(f->reference());
    return state;
}

bool KvFrameworkPath::restoreFromState(const kv::vector<KvUndoReference>& state) {
    Chain chain;
    for (const KvUndoReference& ref : state)
        if (KvFrameworkBase* f = KvFrameworkBase::cast(KvUndo::dereference(ref))) chain.push_back(f);
    return set(chain);
}

void KvFrameworkPath::addMonitor(KvFrameworkPathMonitor* monitor) {
    if (monitor) monitors_.push_back_unique(monitor);
}

void KvFrameworkPath::removeMonitor(KvFrameworkPathMonitor* monitor) { monitors_.eraseAll(monitor); }

// --- persistence

bool KvFrameworkPath::save(const char* key, KvDataStore& store) const {
    if (!impl_) return true;
    kv::vector<const KvGenre*> frameworks;
    for (const KvRefPtr<KvFrameworkBase>& f : impl_->getFrameworks())
        frameworks.push_back(f.get());
    return store.writeReferenceArray(key, frameworks);
}

bool KvFrameworkPath::read(const char* key, const KvDataStore& store) {
    clear();
    kv::vector<KvGenre*> stored;
    if (!store.readReferenceArray(key, stored)) return false;
    // Plain pointers until the chain is known to hold: frameworks come from
    // the store unreferenced, and a reference let go of would destroy them.
    kv::vector<KvFrameworkBase*> frameworks;
    for (KvGenre* e : stored) {
        KvFrameworkBase* f = KvFrameworkBase::cast(e);
        if (!f) {
            store.reportError("Null framework in path.");
            return false;
        }
        frameworks.push_back(f);
    }
    bool holds = !frameworks.empty();
    for (size_t i = 1; holds && i < frameworks.size(); ++i)
        holds = frameworks[i - 1]->containsFramework(frameworks[i]);
    if (!holds) {
        store.reportError("Bad framework in path.");
        return false;
    }
    Chain chain;
    for (KvFrameworkBase* f : frameworks)
        chain.push_back(f);
    adopt(chain);
    return true;
}

// --- the active path

KvFrameworkPath KvFrameworkPath::getActive() {
    if (g_activeQuery) return g_activeQuery->queryActivePath();
    KvFrameworkPath path;
    if (KvFrameworkBase* framework = KvFrameworkBase::getActive()) path.append(framework);
    return path;
}

void KvFrameworkPath::setActivePathQuery(KvFrameworkPathQueryActive* query) { g_activeQuery = query; }

void KvFrameworkPath::init() {
    static bool done = false;
    if (done) return;
    done = true;
    KvFrameworkPathImpl::initType();
}

size_t KvFrameworkPath::getNumPaths(const KvFrameworkBase* framework) { return getNumPaths(framework, nullptr); }

size_t KvFrameworkPath::getNumPaths(const KvFrameworkBase* parent, const KvFrameworkBase* child) {
    if (!parent) return 0;
    size_t n = 0;
    KvObserverIterator it(parent);
    for (it.first(); !it.isDone(); it.next()) {
        const KvFrameworkPathImpl* impl = KvFrameworkPathImpl::cast(it.getCurrent());
        if (!impl || impl->isDying()) continue;
        const size_t i = impl->indexOf(parent);
        if (!child || (i + 1 < impl->size() && impl->getFrameworks()[i + 1] == child)) ++n;
    }
    return n;
}

// --- edits of the nesting

void KvFrameworkPath::adjustPathsInsert(KvFrameworkBase* parent, KvFrameworkBase* inserted, KvFrameworkBase* child) {
    if (!parent || !inserted || !child) return;
    KvActionLock lock;
    for (const KvRefPtr<KvFrameworkPathImpl>& impl : KvFrameworkPathImpl::observing(parent))
        if (impl->insert(parent, inserted, child)) impl->intern();
}

void KvFrameworkPath::adjustPathsRemove(KvFrameworkBase* parent, KvFrameworkBase* child) {
    if (!parent || !child) return;
    KvActionLock lock;
    // A cut chain is not merged with a twin.
    for (const KvRefPtr<KvFrameworkPathImpl>& impl : KvFrameworkPathImpl::observing(parent))
        impl->removeChild(parent, child);
}

void KvFrameworkPath::adjustPathsReparent(KvFrameworkBase* parent, KvFrameworkBase* child,
                                          const KvFrameworkPath& newParentPath) {
    if (!parent || !child) return;
    if (newParentPath.isEmpty() || newParentPath.contains(parent, child)) return adjustPathsRemove(parent, child);
    KvActionLock lock;
    for (const KvRefPtr<KvFrameworkPathImpl>& impl : KvFrameworkPathImpl::observing(parent))
        if (impl->reparent(parent, child, newParentPath)) impl->intern();
}

void KvFrameworkPath::adjustPathsSwap(KvFrameworkBase* parent, KvFrameworkBase* oldChild, KvFrameworkBase* newChild) {
    if (!parent || !oldChild || !newChild) return;
    KvActionLock lock;
    for (const KvRefPtr<KvFrameworkPathImpl>& impl : KvFrameworkPathImpl::observing(parent))
        if (impl->swap(parent, oldChild, newChild)) impl->intern();
}

void KvFrameworkPath::adjustPathsFlatten(const Chain& chain) {
    if (chain.size() < 2) return;
    for (size_t k = 0; k < chain.size(); ++k)
        if (!chain[k] || (k > 0 && !chain[k - 1]->containsFramework(chain[k].get()))) return;
    KvActionLock lock;
    kv::vector<KvRefPtr<KvFrameworkPathImpl>> edited;
    for (const KvRefPtr<KvFrameworkPathImpl>& impl : KvFrameworkPathImpl::observing(chain.front().get()))
        if (holdsRun(impl->getFrameworks(), chain) && impl->flatten(chain)) edited.push_back(impl);
    for (const KvRefPtr<KvFrameworkPathImpl>& impl : edited)
        impl->intern();
}

// --- following the impl

bool KvFrameworkPath::fromImpl(KvAction* action) const { return impl_ && action->getSource() == impl_.get(); }

void KvFrameworkPath::handleUpdateAction(KvUpdateAction* action) {
    if (!fromImpl(action)) return handleBadAction(action);
    notify(KvFrameworkPathMonitor::Modified);
}

void KvFrameworkPath::handleCosmeticAction(KvCosmeticAction* action) {
    if (!fromImpl(action)) return handleBadAction(action);
    notify(KvFrameworkPathMonitor::Cosmetic);
}

void KvFrameworkPath::handlePurgeAction(KvPurgeAction* action) {
    if (!fromImpl(action)) return handleBadAction(action);
    setImpl(nullptr);
    if (!KvUndo::isRestoring()) notify(KvFrameworkPathMonitor::Modified);
}

void KvFrameworkPath::handleReplaceAction(KvReplaceAction* action) {
    KvFrameworkPathImpl* twin = KvFrameworkPathImpl::cast(action->getReplacement());
    if (!fromImpl(action) || !twin) return handleBadAction(action);
    setImpl(twin);
}

void KvFrameworkPath::handleSplitAction(KvSplitAction* action) { handleBadAction(action); }

void KvFrameworkPath::handleJoinAction(KvJoinAction* action) { handleBadAction(action); }

std::ostream& operator<<(std::ostream& os, const KvFrameworkPath& path) {
    os << "{";
    for (size_t i = 0; i < path.getDepth(); ++i)
        os << " " << path.getFramework(i)->getFrameworkName().getString();
    return os << " }";
}
