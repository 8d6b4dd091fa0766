#pragma once

#include <KvColor.h>
#include <KvIndex2.h>
#include <KvTypesExport.h>
#include <KvVector.h>

#include <cstdint>

// How an entity is drawn: a secondary colour with colour modes, a display
// style and render mode, isoline counts, triangle and line densities, and a
// line width. The meaning of the mode numbers belongs to the renderer.
class KV_TYPES_EXPORT KvRenderSettings {
public:
    // Number of entries of the legacy integer form.
    static constexpr size_t LegacySize = 11;

    KvRenderSettings() = default;

    const KvColor& getSecondaryColor() const { return secondaryColor_; }
    void setSecondaryColor(const KvColor& c) { secondaryColor_ = c; }
    uint32_t getColorMode() const { return colorMode_; }
    void setColorMode(uint32_t v) { colorMode_ = v; }
    uint32_t getSecondaryColorMode() const { return secondaryColorMode_; }
    void setSecondaryColorMode(uint32_t v) { secondaryColorMode_ = v; }
    uint32_t getDisplayStyle() const { return displayStyle_; }
    void setDisplayStyle(uint32_t v) { displayStyle_ = v; }
    uint32_t getRenderMode() const { return renderMode_; }
    void setRenderMode(uint32_t v) { renderMode_ = v; }
    const KvIndex2& getIsolines() const { return isolines_; }
    void setIsolines(const KvIndex2& v) { isolines_ = v; }
    uint32_t getTriangleDensity() const { return triangleDensity_; }
    void setTriangleDensity(uint32_t v) { triangleDensity_ = v; }
    const KvIndex2& getLineDensity() const { return lineDensity_; }
    void setLineDensity(const KvIndex2& v) { lineDensity_ = v; }
    uint32_t getLineWidth() const { return lineWidth_; }
    void setLineWidth(uint32_t v) { lineWidth_ = v; }

    // The legacy form, eleven integers: secondary colour (packed TRGB),
    // colour mode, secondary colour mode, display style, render mode,
    // isolines i and j, triangle density, line density i and j, line width.
    // A shorter list reads as if padded with zeros; extra entries are ignored.
    static KvRenderSettings fromLegacyArray(const kv::vector<uint32_t>& values);
    kv::vector<uint32_t> toLegacyArray() const;

    bool operator==(const KvRenderSettings& o) const;
    bool operator!=(const KvRenderSettings& o) const { return !(*this == o); }

private:
    KvColor secondaryColor_{1.0f, 1.0f, 1.0f};
    uint32_t colorMode_ = 0;
    uint32_t secondaryColorMode_ = 0;
    uint32_t displayStyle_ = 0;
    uint32_t renderMode_ = 0;
    KvIndex2 isolines_{10, 10};
    uint32_t triangleDensity_ = 1;
    KvIndex2 lineDensity_{1, 1};
    uint32_t lineWidth_ = 1;
};
