#pragma once

#include <KvTypesExport.h>

#include <cstdint>

// An RGBA colour with float components in [0, 1] (clamped on the way in).
// The packed form is transparency-red-green-blue, one byte each from the top,
// transparency being 255 minus the alpha byte: so 0 is opaque black.
class KV_TYPES_EXPORT KvColor {
public:
    KvColor() = default;  // opaque black, as KvColor(0u)
    KvColor(float red, float green, float blue, float alpha = 1.0f);
    explicit KvColor(uint32_t trgb) { setTRGB(trgb); }

    float red() const { return r_; }
    float green() const { return g_; }
    float blue() const { return b_; }
    float alpha() const { return a_; }
    void setRed(float v);
    void setGreen(float v);
    void setBlue(float v);
    void setAlpha(float v);
    // Red, green and blue of `rgb`; the alpha stays.
    void setRGB(const KvColor& rgb);

    uint32_t trgb() const;
    void setTRGB(uint32_t trgb);

    bool operator==(const KvColor& o) const { return r_ == o.r_ && g_ == o.g_ && b_ == o.b_ && a_ == o.a_; }
    bool operator!=(const KvColor& o) const { return !(*this == o); }

private:
    float r_ = 0.0f, g_ = 0.0f, b_ = 0.0f, a_ = 1.0f;
};
