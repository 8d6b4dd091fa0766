#pragma once

#include <KvBaseExport.h>
#include <KvTypeId.h>

#include <QHash>

#include <cstddef>

class KvObject;
class KvObjectCounterIterator;

// Counts how often each object of one type was added. Holds no references.
class KV_BASE_EXPORT KvObjectCounter {
public:
    KvObjectCounter();
    explicit KvObjectCounter(const KvTypeId& type);
    KvObjectCounter(const KvObjectCounter&) = default;
    KvObjectCounter& operator=(const KvObjectCounter&) = default;
    virtual ~KvObjectCounter();

    // The counting operations need a non-null object; objects of another
    // type are ignored (0 / false), except by remove().
    virtual size_t inc(const KvObject* obj);
    virtual size_t dec(const KvObject* obj);
    virtual bool add(const KvObject* obj);
    virtual size_t getCount(const KvObject* obj) const;
    virtual bool remove(const KvObject* obj);
    virtual void clear();

    KvTypeId getType() const { return type_; }
    size_t getNumEntries() const { return static_cast<size_t>(counts_.size()); }
    KvObjectCounterIterator getIterator() const;

private:
    friend class KvObjectCounterIterator;
    bool counts(const KvObject* obj) const;

    KvTypeId type_;
    QHash<const void*, size_t> counts_;
};
