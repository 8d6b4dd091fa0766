#include <KvLayerMask.h>

#include <algorithm>
#include <ostream>

KvLayerMask::KvLayerMask() : bits_(kNumLayers) {}

KvLayerMask::KvLayerMask(const QBitArray& bits) : bits_(bits) { bits_.resize(kNumLayers); }

KvLayerMask& KvLayerMask::operator=(const QBitArray& bits) {
    bits_ = bits;
    bits_.resize(kNumLayers);
    return *this;
}

bool KvLayerMask::allOff() const { return bits_.count(true) == 0; }
bool KvLayerMask::allOn() const { return bits_.count(false) == 0; }
size_t KvLayerMask::countOn() const { return static_cast<size_t>(bits_.count(true)); }
size_t KvLayerMask::countOff() const { return static_cast<size_t>(bits_.count(false)); }

bool KvLayerMask::testBit(int layer) const { return layer >= 0 && layer < count() && bits_.testBit(layer); }

void KvLayerMask::setBit(int layer, bool on) {
    if (layer >= 0 && layer < count()) bits_.setBit(layer, on);
}

void KvLayerMask::get(kv::vector<unsigned char>& out) const {
    kv::vector<unsigned char> v(static_cast<size_t>(count()));
    unsigned char* p = v.data();
    for (int i = 0; i < count(); ++i)
        p[i] = bits_.testBit(i) ? 1 : 0;
    out.swap(v);
}

void KvLayerMask::get(kv::vector<size_t>& out) const {
    kv::vector<size_t> v(static_cast<size_t>(count()));
    size_t* p = v.data();
    for (int i = 0; i < count(); ++i)
        p[i] = bits_.testBit(i) ? 1 : 0;
    out.swap(v);
}

void KvLayerMask::set(const kv::vector<unsigned char>& in) {
    bits_.fill(false);
    size_t n = std::min(in.size(), static_cast<size_t>(count()));
    for (size_t i = 0; i < n; ++i)
        if (in[i] != 0) bits_.setBit(static_cast<int>(i));
}

void KvLayerMask::set(const kv::vector<size_t>& in) {
    bits_.fill(false);
    size_t n = std::min(in.size(), static_cast<size_t>(count()));
    for (size_t i = 0; i < n; ++i)
        if (in[i] != 0) bits_.setBit(static_cast<int>(i));
}

void KvLayerMask::setBits(const kv::vector<size_t>& layers) {
    for (size_t layer : layers)
        if (layer < static_cast<size_t>(count())) bits_.setBit(static_cast<int>(layer));
}

KvLayerMask& KvLayerMask::operator|=(const KvLayerMask& o) {
    bits_ |= o.bits_;
    return *this;
}

KvLayerMask& KvLayerMask::operator&=(const KvLayerMask& o) {
    bits_ &= o.bits_;
    return *this;
}

KvLayerMask& KvLayerMask::operator^=(const KvLayerMask& o) {
    bits_ ^= o.bits_;
    return *this;
}

KvLayerMask KvLayerMask::operator~() const { return KvLayerMask(~bits_); }

KvLayerMask operator|(const KvLayerMask& a, const KvLayerMask& b) { return KvLayerMask(a) |= b; }
KvLayerMask operator&(const KvLayerMask& a, const KvLayerMask& b) { return KvLayerMask(a) &= b; }
KvLayerMask operator^(const KvLayerMask& a, const KvLayerMask& b) { return KvLayerMask(a) ^= b; }

std::ostream& operator<<(std::ostream& os, const KvLayerMask& mask) {
    os << "{";
    const QBitArray& bits = mask.getBits();
    for (int i = 0; i < bits.size(); ++i)
        if (bits.testBit(i)) os << " " << i;
    return os << " }";
}
