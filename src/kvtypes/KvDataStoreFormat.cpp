#include "KvDataStoreFormat.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

// \x89 and \r\n\x1a catch transfers that mangle 8-bit or line-end bytes.
const uint8_t KvDataStoreFormat::Magic[8] = {0x89, 'K', 'V', 'D', 'S', '\r', '\n', 0x1A};

const char* KvDataStoreFormat::kindName(uint8_t kind) {
    static const char* const names[] = {"nothing",
                                        "a section",
                                        "a link",
                                        "a bool",
                                        "an int",
                                        "a uint",
                                        "a double",
                                        "a string",
                                        "a string",
                                        "a reference",
                                        "a reference array",
                                        "a uint array",
                                        "a string array",
                                        "a key-value array",
                                        "a flag array",
                                        "an index pair",
                                        "a colour",
                                        "render settings",
                                        "a transform",
                                        "a parameter set",
                                        "a notch"};
    return kind <= LastKind ? names[kind] : "an unknown entry";
}

namespace {

// Format 1: the 64-bit little-endian words (the last padded with zeros),
// word i weighted by 2i + 1, plus the length times a constant.
uint64_t weightedWordSum(const uint8_t* p, size_t n) {
    uint64_t sum = 0;
    uint64_t weight = 1;
    size_t i = 0;
    for (; i + 8 <= n; i += 8, weight += 2)
        sum += KvDataStoreFormat::loadLE(p + i, 8) * weight;
    if (i < n) sum += KvDataStoreFormat::loadLE(p + i, static_cast<int>(n - i)) * weight;
    return sum + uint64_t(n) * 0x9E3779B97F4A7C15ULL;
}

uint32_t crc32Of(const uint8_t* p, size_t n) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (n > 0) {  // zlib takes lengths as 32-bit unsigned
        const uInt chunk = static_cast<uInt>(std::min<size_t>(n, UINT_MAX / 2));
        crc = crc32(crc, p, chunk);
        p += chunk;
        n -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace

uint64_t KvDataStoreFormat::checksum(uint32_t format, const uint8_t* p, size_t n) {
    return format < 2 ? weightedWordSum(p, n) : crc32Of(p, n);
}
