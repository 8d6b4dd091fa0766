#include <KvColor.h>

#include <cmath>

namespace {
float clamp01(float v) {
    if (!(v > 0.0f)) return 0.0f;  // also NaN
    return v < 1.0f ? v : 1.0f;
}
uint32_t toByte(float v) { return static_cast<uint32_t>(std::lround(clamp01(v) * 255.0f)); }
float fromByte(uint32_t b) { return static_cast<float>(b & 0xFFu) / 255.0f; }
}  // namespace

KvColor::KvColor(float red, float green, float blue, float alpha)
    : r_(clamp01(red)), g_(clamp01(green)), b_(clamp01(blue)), a_(clamp01(alpha)) {}

void KvColor::setRed(float v) { r_ = clamp01(v); }
void KvColor::setGreen(float v) { g_ = clamp01(v); }
void KvColor::setBlue(float v) { b_ = clamp01(v); }
void KvColor::setAlpha(float v) { a_ = clamp01(v); }

void KvColor::setRGB(const KvColor& rgb) {
    r_ = rgb.r_;
    g_ = rgb.g_;
    b_ = rgb.b_;
}

uint32_t KvColor::trgb() const {
    return ((255u - toByte(a_)) << 24) | (toByte(r_) << 16) | (toByte(g_) << 8) | toByte(b_);
}

void KvColor::setTRGB(uint32_t trgb) {
    a_ = 1.0f - fromByte(trgb >> 24);
    r_ = fromByte(trgb >> 16);
    g_ = fromByte(trgb >> 8);
    b_ = fromByte(trgb);
}
