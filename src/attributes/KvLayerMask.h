#pragma once

#include <KvBaseExport.h>
#include <KvVector.h>

#include <QBitArray>

#include <cstddef>
#include <iosfwd>

// A set of layers 0 to 1024, one bit each.
class KV_BASE_EXPORT KvLayerMask {
public:
    static constexpr int kNumLayers = 1025;

    KvLayerMask();
    KvLayerMask(const KvLayerMask& o) = default;
    // Takes the bits of `bits`, cut or padded with clear bits to 1025.
    explicit KvLayerMask(const QBitArray& bits);
    KvLayerMask& operator=(const KvLayerMask& o) = default;
    KvLayerMask& operator=(const QBitArray& bits);

    bool allOff() const;
    bool allOn() const;
    size_t countOn() const;
    size_t countOff() const;

    bool testBit(int layer) const;
    void setBit(int layer, bool on = true);
    void clearBit(int layer) { setBit(layer, false); }

    // One element per layer: 1 for a set bit, 0 for a clear one.
    void get(kv::vector<unsigned char>& out) const;
    void get(kv::vector<size_t>& out) const;
    // Clears every bit, then sets layer i where in[i] is not zero; elements
    // past layer 1024 are ignored.
    void set(const kv::vector<unsigned char>& in);
    void set(const kv::vector<size_t>& in);
    // Sets the listed layers and leaves the others; numbers out of range are
    // ignored.
    void setBits(const kv::vector<size_t>& layers);

    const QBitArray& getBits() const { return bits_; }

    bool operator==(const KvLayerMask& o) const { return bits_ == o.bits_; }
    bool operator!=(const KvLayerMask& o) const { return bits_ != o.bits_; }
    KvLayerMask& operator|=(const KvLayerMask& o);
    KvLayerMask& operator&=(const KvLayerMask& o);
    KvLayerMask& operator^=(const KvLayerMask& o);
    KvLayerMask operator~() const;

private:
    int count() const { return bits_.size(); }

    QBitArray bits_;
};

KV_BASE_EXPORT KvLayerMask operator|(const KvLayerMask& a, const KvLayerMask& b);
KV_BASE_EXPORT KvLayerMask operator&(const KvLayerMask& a, const KvLayerMask& b);
KV_BASE_EXPORT KvLayerMask operator^(const KvLayerMask& a, const KvLayerMask& b);

// "{ 3 7 }": the set layers in ascending order; "{ }" when none.
KV_BASE_EXPORT std::ostream& operator<<(std::ostream& os, const KvLayerMask& mask);
