#pragma once

#include <KvTypesExport.h>

#include <QHash>

#include <cstddef>

// Counts per address (for example markers that stand for destroyed objects).
class KV_TYPES_EXPORT KvHashAddress {
public:
    // Adds 1 and returns the new count.
    size_t inc(const void* address) { return ++table_[address]; }
    // Subtracts 1, dropping the address when its count would fall below 1;
    // returns the new count.
    size_t dec(const void* address) {
        auto it = table_.find(address);
        if (it == table_.end()) return 0;
        if (*it <= 1) {
            table_.erase(it);
            return 0;
        }
        return --*it;
    }
    size_t count(const void* address) const { return table_.value(address, 0); }
    bool contains(const void* address) const { return table_.contains(address); }
    size_t size() const { return static_cast<size_t>(table_.size()); }
    bool isEmpty() const { return table_.isEmpty(); }
    void clear() { table_.clear(); }

private:
    QHash<const void*, size_t> table_;
};
