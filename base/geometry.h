// Pixel points, sizes and rectangles for the portable layout code, laid out like POINT,
// SIZE and RECT so that the Win32 side converts them field by field.
#pragma once
#include <algorithm>

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelSize {
    int cx = 0;
    int cy = 0;
    friend constexpr bool operator==(const PixelSize&, const PixelSize&) = default;
};

// Half-open like RECT: right and bottom lie just outside.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr PixelRect FromOriginSize(int x, int y, int cx, int cy) { return {x, y, x + cx, y + cy}; }
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    // PtInRect's rule.
    constexpr bool Contains(PixelPoint pt) const {
        return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
    }
    constexpr PixelRect Deflated(int dx, int dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
    constexpr PixelRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// True when the two rectangles share at least one pixel.
constexpr bool Intersects(const PixelRect& a, const PixelRect& b) {
    return !a.IsEmpty() && !b.IsEmpty() && a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// rc cut to bounds; a rectangle turned inside out or lying outside collapses to an empty one
// at the nearest edge, so the result never has a negative width or height.
constexpr PixelRect ClippedTo(const PixelRect& rc, const PixelRect& rcBounds) {
    PixelRect r;
    r.left = std::clamp(rc.left, rcBounds.left, std::max(rcBounds.left, rcBounds.right));
    r.top = std::clamp(rc.top, rcBounds.top, std::max(rcBounds.top, rcBounds.bottom));
    r.right = std::clamp(rc.right, r.left, std::max(r.left, rcBounds.right));
    r.bottom = std::clamp(rc.bottom, r.top, std::max(r.top, rcBounds.bottom));
    return r;
}
