// Pixel figures that were drawn for a screen of 96 dots per inch, scaled to the dpi the
// control draws at. Every size the control lays out in pixels by code goes through one of
// these, so that a 150% or 200% screen shows the same layout larger rather than tiny.
#pragma once
#include <cstdint>

#include "base/geometry.h"

class CDpiScale {
public:
    static constexpr int kBaseDpi = 96;
    // Beyond 16 times the base a dpi is nonsense from the caller; the base stands in for it.
    static constexpr int kMaxDpi = 16 * kBaseDpi;

    constexpr CDpiScale() = default;
    explicit constexpr CDpiScale(int nDpi) : m_nDpi(nDpi > 0 && nDpi <= kMaxDpi ? nDpi : kBaseDpi) {}

    constexpr int GetDpi() const { return m_nDpi; }
    // n pixels at 96 dpi, rounded to the nearest pixel (halves away from zero), so that a
    // figure and its negative scale alike.
    constexpr int Scale(int n) const {
        const std::int64_t nScaled = std::int64_t{n} * m_nDpi;
        const std::int64_t nHalf = kBaseDpi / 2;
        return static_cast<int>(nScaled >= 0 ? (nScaled + nHalf) / kBaseDpi : -((-nScaled + nHalf) / kBaseDpi));
    }
    constexpr PixelSize Scale(PixelSize sz) const { return {Scale(sz.cx), Scale(sz.cy)}; }
    friend constexpr bool operator==(const CDpiScale&, const CDpiScale&) = default;

private:
    int m_nDpi = kBaseDpi;
};
