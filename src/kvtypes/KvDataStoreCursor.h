#pragma once

// A checked reading position in the bytes of a data store file: every read
// is checked against the end first; a read past it, or a malformed varint,
// clears `ok` and yields zero.

#include "KvDataStoreFormat.h"

#include <KvString.h>

#include <cstring>

class KvDataStoreCursor {
public:
    KvDataStoreCursor(const uint8_t* data, size_t pos, size_t end) : d(data), pos(pos), end(end) {}

    const uint8_t* d;
    size_t pos;
    size_t end;
    bool ok = true;

    size_t remaining() const { return end - pos; }
    uint8_t byte() {
        if (pos >= end) return fail();
        return d[pos++];
    }
    uint64_t varint() {
        if (pos < end && d[pos] < 0x80) return d[pos++];  // most are one byte
        return longVarint();
    }
    uint64_t le(int bytes) {
        if (remaining() < static_cast<size_t>(bytes)) return fail();
        const uint64_t v = KvDataStoreFormat::loadLE(d + pos, bytes);
        pos += static_cast<size_t>(bytes);
        return v;
    }
    double dbl() {
        const uint64_t u = le(8);
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    float flt() {
        const uint32_t u = static_cast<uint32_t>(le(4));
        float v;
        std::memcpy(&v, &u, 4);
        return v;
    }
    void skip(uint64_t n) {
        if (n > remaining()) {
            fail();
            return;
        }
        pos += static_cast<size_t>(n);
    }
    // A string inside a payload: 0 for null, otherwise length + 1 and the bytes.
    bool string(KvString& s) {
        const uint64_t n = varint();
        if (!ok) return false;
        if (n == 0) {
            s = KvString();
            return true;
        }
        if (n - 1 > remaining()) return fail() != 0;
        s = KvString(reinterpret_cast<const char*>(d + pos), static_cast<size_t>(n - 1));
        pos += static_cast<size_t>(n - 1);
        return true;
    }
    bool skipString() {
        const uint64_t n = varint();
        if (ok && n) skip(n - 1);
        return ok;
    }
    // A count of elements that each take at least one byte, or `perByte`
    // elements a byte (flags): more than the bytes left can hold is damage.
    bool count(uint64_t& n, uint64_t perByte = 1) {
        n = varint();
        if (!ok) return false;
        if (n > remaining() * perByte) return fail() != 0;
        return true;
    }
    uint8_t fail() {
        ok = false;
        pos = end;
        return 0;
    }

private:
    uint64_t longVarint() {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (pos >= end) return fail();
            const uint8_t b = d[pos++];
            if (shift == 63 && b > 1) return fail();
            v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        return fail();
    }
};
