#pragma once

// The byte layout that KvDataStoreWriter writes and KvDataStoreReader reads
// (docs/datastore-format.md): constants, integer encodings and checksums.

#include <cstddef>
#include <cstdint>

// KV_DS_COLD marks the rare branch of a hot function (an error report): kept
// out of line so that the common path stays short and needs no large frame.
// KV_DS_HOT marks a function inlined into every caller whatever its size.
#if defined(__GNUC__)
#define KV_DS_COLD __attribute__((noinline, cold))
#define KV_DS_HOT __attribute__((always_inline)) inline
#else
#define KV_DS_COLD
#define KV_DS_HOT inline
#endif

class KvDataStoreFormat {
public:
    static const uint8_t Magic[8];
    static constexpr size_t HeaderSize = 16;
    // String table offset, entity count, then the checksum: 8 bytes of a
    // weighted sum in format 1, a CRC-32 from format 2 on.
    static constexpr size_t footerSize(uint32_t format) { return format < 2 ? 24 : 20; }
    static constexpr uint32_t DefaultStoreVersion = 207;

    enum Kind : uint8_t {
        Section = 1,
        Link,
        Bool,
        Int,
        UInt,
        Double,
        String,
        NullString,
        Reference,
        ReferenceArray,
        UIntArray,
        StringArray,
        KeyValueArray,
        FlagArray,
        Index2,
        Color,
        RenderSettings,
        XformMatrix,
        ParamSet,
        Notch,
        LastKind = Notch
    };
    static constexpr uint8_t KindMask = 0x1F;
    static constexpr uint8_t EntityBit = 0x20;
    static constexpr uint8_t SharedBit = 0x40;
    // What an entry of `kind` holds, for messages ("an int").
    static const char* kindName(uint8_t kind);

    static uint64_t zigzag(long long v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
    static long long unzigzag(uint64_t v) { return static_cast<long long>(v >> 1) ^ -static_cast<long long>(v & 1); }
    static size_t varintSize(uint64_t v) {
        size_t n = 1;
        for (; v >= 0x80; v >>= 7)
            ++n;
        return n;
    }
    // Writes `v` at `p` (room for 10 bytes); returns the bytes taken.
    static size_t encodeVarint(uint64_t v, uint8_t* p) {
        size_t n = 0;
        for (; v >= 0x80; v >>= 7)
            p[n++] = static_cast<uint8_t>(v) | 0x80;
        p[n++] = static_cast<uint8_t>(v);
        return n;
    }
    static uint64_t loadLE(const uint8_t* p, int bytes) {
        uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | p[i];
        return v;
    }

    // The checksum of a file of `format` over its `n` bytes before the
    // checksum field.
    static uint64_t checksum(uint32_t format, const uint8_t* p, size_t n);
};
