#include <KvUndoReference.h>

#include <KvUndoMonitor.h>

#include <functional>
#include <ostream>

KvUndoReference::KvUndoReference(KvUndoMonitor* monitor) { point(monitor); }

KvUndoReference::KvUndoReference(const KvUndoReference& o) { point(o.monitor_); }

KvUndoReference::KvUndoReference(KvUndoReference&& o) noexcept : monitor_(o.monitor_) { o.monitor_ = nullptr; }

KvUndoReference& KvUndoReference::operator=(const KvUndoReference& o) {
    point(o.monitor_);
    return *this;
}

KvUndoReference& KvUndoReference::operator=(KvUndoReference&& o) noexcept {
    if (monitor_ == o.monitor_) return *this;
    KvUndoMonitor* old = monitor_;
    monitor_ = o.monitor_;
    o.monitor_ = nullptr;
    if (old) old->unuseByReference();
    return *this;
}

KvUndoReference::~KvUndoReference() { clear(); }

void KvUndoReference::clear() {
    KvUndoMonitor* old = monitor_;
    monitor_ = nullptr;
    if (old) old->unuseByReference();
}

// Takes the new handle before dropping the old one, so that pointing at the
// monitor already held never frees it.
void KvUndoReference::point(KvUndoMonitor* monitor) {
    if (monitor) monitor->useByReference();
    KvUndoMonitor* old = monitor_;
    monitor_ = monitor;
    if (old) old->unuseByReference();
}

bool KvUndoReference::operator<(const KvUndoReference& o) const {
    return std::less<const KvUndoMonitor*>()(monitor_, o.monitor_);
}

bool KvUndoReference::equal(const kv::vector<KvUndoReference>& a, const kv::vector<KvUndoReference>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

std::ostream& operator<<(std::ostream& os, const KvUndoReference&) { return os; }
