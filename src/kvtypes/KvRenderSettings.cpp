#include <KvRenderSettings.h>

KvRenderSettings KvRenderSettings::fromLegacyArray(const kv::vector<uint32_t>& values) {
    uint32_t v[LegacySize] = {};
    for (size_t i = 0; i < LegacySize && i < values.size(); ++i)
        v[i] = values[i];
    KvRenderSettings s;
    s.secondaryColor_ = KvColor(v[0]);
    s.colorMode_ = v[1];
    s.secondaryColorMode_ = v[2];
    s.displayStyle_ = v[3];
    s.renderMode_ = v[4];
    s.isolines_ = KvIndex2(v[5], v[6]);
    s.triangleDensity_ = v[7];
    s.lineDensity_ = KvIndex2(v[8], v[9]);
    s.lineWidth_ = v[10];
    return s;
}

kv::vector<uint32_t> KvRenderSettings::toLegacyArray() const {
    return {secondaryColor_.trgb(),
            colorMode_,
            secondaryColorMode_,
            displayStyle_,
            renderMode_,
            static_cast<uint32_t>(isolines_.i()),
            static_cast<uint32_t>(isolines_.j()),
            triangleDensity_,
            static_cast<uint32_t>(lineDensity_.i()),
            static_cast<uint32_t>(lineDensity_.j()),
            lineWidth_};
}

bool KvRenderSettings::operator==(const KvRenderSettings& o) const {
    return secondaryColor_ == o.secondaryColor_ && colorMode_ == o.colorMode_ &&
           secondaryColorMode_ == o.secondaryColorMode_ && displayStyle_ == o.displayStyle_ &&
           renderMode_ == o.renderMode_ && isolines_ == o.isolines_ && triangleDensity_ == o.triangleDensity_ &&
           lineDensity_ == o.lineDensity_ && lineWidth_ == o.lineWidth_;
}
