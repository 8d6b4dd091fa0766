#pragma once

#include <KvObjectCounter.h>

// Walks a counter's entries in hash order.
class KV_BASE_EXPORT KvObjectCounterIterator {
public:
    KvObjectCounterIterator() { first(); }
    explicit KvObjectCounterIterator(const KvObjectCounter& counter) : counts_(counter.counts_) { first(); }

    void first() { it_ = counts_.constBegin(); }
    bool isDone() const { return it_ == counts_.constEnd(); }
    void next() {
        if (!isDone()) ++it_;
    }
    size_t getCurrent(const KvObject*& obj) const {
        obj = static_cast<const KvObject*>(it_.key());
        return it_.value();
    }
    size_t getNonConstCurrent(KvObject*& obj) const {
        obj = const_cast<KvObject*>(static_cast<const KvObject*>(it_.key()));
        return it_.value();
    }

private:
    // An implicitly shared copy: the walk is not disturbed by later changes.
    QHash<const void*, size_t> counts_;
    QHash<const void*, size_t>::const_iterator it_;
};
