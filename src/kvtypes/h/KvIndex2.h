#pragma once

#include <KvTypesExport.h>

#include <cstddef>
#include <cstdint>

// A pair of unsigned indices (i, j), such as a layer and a flag or counts in
// two directions. Ordered lexicographically.
class KV_TYPES_EXPORT KvIndex2 {
public:
    KvIndex2() = default;
    KvIndex2(uint64_t i, uint64_t j) : v_{i, j} {}

    uint64_t i() const { return v_[0]; }
    uint64_t j() const { return v_[1]; }
    void set(uint64_t i, uint64_t j) {
        v_[0] = i;
        v_[1] = j;
    }
    // Element 0 or 1; throws KvExcept for any other index.
    uint64_t operator[](size_t k) const;
    uint64_t& operator[](size_t k);

    bool operator==(const KvIndex2& o) const { return v_[0] == o.v_[0] && v_[1] == o.v_[1]; }
    bool operator!=(const KvIndex2& o) const { return !(*this == o); }
    bool operator<(const KvIndex2& o) const { return v_[0] != o.v_[0] ? v_[0] < o.v_[0] : v_[1] < o.v_[1]; }

private:
    uint64_t v_[2] = {0, 0};
};
