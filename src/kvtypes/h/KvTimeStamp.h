#pragma once

#include <KvTypesExport.h>

#include <cstdint>

// A point in the process's creation order: a new stamp is later than every
// stamp made before it. Copies keep the value.
class KV_TYPES_EXPORT KvTimeStamp {
public:
    KvTimeStamp();
    KvTimeStamp(const KvTimeStamp&) = default;
    KvTimeStamp& operator=(const KvTimeStamp&) = default;

    // A stamp with a given value (for reading stored stamps); later stamps
    // made in this process stay later than it.
    static KvTimeStamp fromValue(uint64_t value);
    uint64_t getValue() const { return value_; }

    bool operator==(const KvTimeStamp& o) const { return value_ == o.value_; }
    bool operator!=(const KvTimeStamp& o) const { return value_ != o.value_; }
    bool operator<(const KvTimeStamp& o) const { return value_ < o.value_; }
    bool operator>(const KvTimeStamp& o) const { return value_ > o.value_; }
    bool operator<=(const KvTimeStamp& o) const { return value_ <= o.value_; }
    bool operator>=(const KvTimeStamp& o) const { return value_ >= o.value_; }

private:
    struct Raw {};
    KvTimeStamp(Raw, uint64_t v) : value_(v) {}
    uint64_t value_;
};
