#pragma once

#include <KvTypesExport.h>

#include <cstdint>

// A revision mark of an entity's shape: whoever caches something derived
// from an entity keeps its notch and compares it later to see whether the
// entity moved on. The default notch (0) is "no revision"; make() hands out
// a new, process-unique mark, later than every mark made before.
class KV_TYPES_EXPORT KvNotch {
public:
    KvNotch() = default;
    explicit KvNotch(uint64_t value) : value_(value) {}

    static KvNotch make();

    uint64_t getValue() const { return value_; }
    bool isNull() const { return value_ == 0; }

    bool operator==(const KvNotch& o) const { return value_ == o.value_; }
    bool operator!=(const KvNotch& o) const { return value_ != o.value_; }
    bool operator<(const KvNotch& o) const { return value_ < o.value_; }

private:
    uint64_t value_ = 0;
};
