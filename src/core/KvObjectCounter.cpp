#include <KvObjectCounter.h>

#include <KvExcept.h>
#include <KvObject.h>
#include <KvObjectCounterIterator.h>

KvObjectCounter::KvObjectCounter() : type_(KvObject::getClassTypeId()) {}

KvObjectCounter::KvObjectCounter(const KvTypeId& type) : type_(type) {
    if (!type.isValid()) throw KvExcept("KvObjectCounter: bad type id");
}

KvObjectCounter::~KvObjectCounter() = default;

bool KvObjectCounter::counts(const KvObject* obj) const { return obj->isOfType(type_); }

size_t KvObjectCounter::inc(const KvObject* obj) {
    if (!counts(obj)) return 0;
    return ++counts_[obj];
}

size_t KvObjectCounter::dec(const KvObject* obj) {
    if (!counts(obj)) return 0;
    auto it = counts_.find(obj);
    if (it == counts_.end()) return 0;
    if (it.value() < 2) {
        counts_.erase(it);
        return 0;
    }
    return --it.value();
}

bool KvObjectCounter::add(const KvObject* obj) {
    if (!counts(obj) || counts_.contains(obj)) return false;
    counts_.insert(obj, 1);
    return true;
}

size_t KvObjectCounter::getCount(const KvObject* obj) const {
    if (!counts(obj)) return 0;
    return counts_.value(obj, 0);
}

bool KvObjectCounter::remove(const KvObject* obj) { return counts_.remove(obj) > 0; }

void KvObjectCounter::clear() { counts_.clear(); }

KvObjectCounterIterator KvObjectCounter::getIterator() const { return KvObjectCounterIterator(*this); }
