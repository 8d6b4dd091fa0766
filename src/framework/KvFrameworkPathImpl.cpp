#include <KvFrameworkPathImpl.h>

#include <KvFrameworkPath.h>
#include <KvObserverIterator.h>
#include <KvPurgeAction.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvFrameworkPathImpl, "FrameworkPathImpl", KvRefObject)

KvFrameworkPathImpl::Chain KvFrameworkPathImpl::slice(const Chain& chain, size_t from, size_t to) {
    Chain out;
    out.reserve(to - from);
    for (size_t i = from; i < to; ++i)
        out.push_back(chain[i]);
    return out;
}

KvFrameworkPathImpl::KvFrameworkPathImpl(const Chain& frameworks) { setFrameworks(frameworks); }

KvFrameworkPathImpl::KvFrameworkPathImpl(const KvFrameworkPathImpl& other)
    : KvFollowsNothing(other), xformValid_(other.xformValid_), tailToRoot_(other.tailToRoot_) {
    frameworks_ = other.frameworks_;
    for (const KvRefPtr<KvFrameworkBase>& f : frameworks_)
        f->addObserver(this);
}

KvFrameworkPathImpl::~KvFrameworkPathImpl() {
    for (const KvRefPtr<KvFrameworkBase>& f : frameworks_)
        f->removeObserver(this);
}

size_t KvFrameworkPathImpl::indexOf(const KvFrameworkBase* framework) const {
    return framework ? frameworks_.indexOf(framework) : npos;
}

const KvXformMatrix& KvFrameworkPathImpl::getTailToRootXform() const {
    if (!xformValid_) {
        // The root places nothing: each framework below it maps into its parent.
        KvXformMatrix product;
        for (size_t i = 1; i < frameworks_.size(); ++i)
            product *= frameworks_[i]->getFrameworkXform();
        tailToRoot_ = product;
        xformValid_ = true;
    }
    return tailToRoot_;
}

KvFrameworkPathImpl* KvFrameworkPathImpl::find(const Chain& chain, const KvFrameworkPathImpl* except) {
    if (chain.empty()) return nullptr;
    // Every impl observes its tail, so the twins of a chain are all there.
    KvObserverIterator it(chain.back().get());
    for (it.first(); !it.isDone(); it.next()) {
        KvFrameworkPathImpl* impl = cast(it.getCurrent());
        if (impl && impl != except && !impl->retired_ && !impl->isDying() && impl->frameworks_.equals(chain))
            return impl;
    }
    return nullptr;
}

kv::vector<KvRefPtr<KvFrameworkPathImpl>> KvFrameworkPathImpl::observing(const KvFrameworkBase* framework) {
    kv::vector<KvRefPtr<KvFrameworkPathImpl>> impls;
    KvObserverIterator it(framework);
    for (it.first(); !it.isDone(); it.next())
        if (KvFrameworkPathImpl* impl = cast(it.getCurrent())) impls.push_back(impl);
    return impls;
}

void KvFrameworkPathImpl::setFrameworks(const Chain& chain) {
    // Stop observing the frameworks that go before letting go of them: the
    // last reference may purge one.
    for (const KvRefPtr<KvFrameworkBase>& f : frameworks_)
        if (!chain.contains(f)) f->removeObserver(this);
    Chain dropped(frameworks_);
    frameworks_ = chain;
    for (const KvRefPtr<KvFrameworkBase>& f : frameworks_)
        f->addObserver(this);
    xformValid_ = false;
}

void KvFrameworkPathImpl::edit(const Chain& chain) {
    setFrameworks(chain);
    updateObservers(KvActionObject());
}

size_t KvFrameworkPathImpl::childIndex(const KvFrameworkBase* parent, const KvFrameworkBase* child) const {
    const size_t i = indexOf(parent);
    if (i == npos || i + 1 >= size() || frameworks_[i + 1] != child) return npos;
    return i + 1;
}

bool KvFrameworkPathImpl::insert(KvFrameworkBase* parent, KvFrameworkBase* inserted, KvFrameworkBase* child) {
    const size_t c = childIndex(parent, child);
    if (c == npos || !parent->containsFramework(inserted) || !inserted->containsFramework(child)) return false;
    Chain chain(frameworks_);
    chain.insert(chain.cbegin() + c, KvRefPtr<KvFrameworkBase>(inserted));
    edit(chain);
    return true;
}

bool KvFrameworkPathImpl::removeChild(KvFrameworkBase* parent, KvFrameworkBase* child) {
    const size_t c = childIndex(parent, child);
    if (c == npos) return false;
    edit(slice(frameworks_, 0, c));
    return true;
}

bool KvFrameworkPathImpl::reparent(KvFrameworkBase* parent, KvFrameworkBase* child,
                                   const KvFrameworkPath& newParentPath) {
    const size_t c = childIndex(parent, child);
    if (c == npos) return false;
    KvFrameworkBase* newParent = newParentPath.getTail();
    if (!newParent || !newParent->containsFramework(child)) {
        edit(Chain());
        return true;
    }
    Chain chain = newParentPath.list();
    chain << slice(frameworks_, c, size());
    edit(chain);
    return true;
}

bool KvFrameworkPathImpl::swap(KvFrameworkBase* parent, KvFrameworkBase* oldChild, KvFrameworkBase* newChild) {
    const size_t c = childIndex(parent, oldChild);
    if (c == npos || !parent->containsFramework(newChild)) return false;
    Chain chain(frameworks_);
    chain[c] = newChild;
    edit(chain);
    return true;
}

bool KvFrameworkPathImpl::flatten(const Chain& chain) {
    const size_t first = chain.empty() ? npos : indexOf(chain.front().get());
    if (first == npos) return false;
    size_t next = first + 1;
    for (size_t k = 1; k < chain.size() && next < size() && frameworks_[next] == chain[k]; ++k)
        ++next;
    Chain flat = slice(frameworks_, 0, first + 1);
    flat << slice(frameworks_, next, size());
    edit(flat);
    return true;
}

void KvFrameworkPathImpl::intern() {
    KvFrameworkPathImpl* twin = find(frameworks_, this);
    if (!twin) return;
    retired_ = true;
    replace(twin, nullptr);
}

void KvFrameworkPathImpl::handleUpdateAction(KvUpdateAction* action) {
    KvFrameworkBase* framework = KvFrameworkBase::cast(action->getSource());
    const size_t i = indexOf(framework);
    if (i == npos) return handleBadAction(action);
    xformValid_ = false;
    if (i + 1 == size() || framework->containsFramework(frameworks_[i + 1].get())) {
        sendCosmeticUpdate(KvActionObject());
        return;
    }
    // The child left: the chain ends at its parent.
    setFrameworks(slice(frameworks_, 0, i + 1));
    updateObservers(KvActionObject());
}

void KvFrameworkPathImpl::handlePurgeAction(KvPurgeAction* action) {
    const size_t i = indexOf(KvFrameworkBase::cast(action->getSource()));
    if (i == npos) return handleBadAction(action);
    setFrameworks(slice(frameworks_, 0, i));
    if (!KvUndo::isRestoring()) updateObservers(KvActionObject());
}
