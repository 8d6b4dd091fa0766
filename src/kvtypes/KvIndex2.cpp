#include <KvIndex2.h>

#include <KvExcept.h>

uint64_t KvIndex2::operator[](size_t k) const {
    if (k > 1) throw KvExcept::boundsError("KvIndex2");
    return v_[k];
}

uint64_t& KvIndex2::operator[](size_t k) {
    if (k > 1) throw KvExcept::boundsError("KvIndex2");
    return v_[k];
}
