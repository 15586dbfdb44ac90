#include "imaging/embedded_thumbnail.h"

#include <algorithm>
#include <cstdlib>

#include "imaging/fit_picture.h"

namespace {

// A bar's pixels average at most this in each of red, green and blue: compression rings
// next to the picture's edge, so single pixels may be brighter.
constexpr std::uint64_t kBarLevel = 24;

bool IsDarkBar(std::span<const std::uint32_t> arrPixels, int nWidth, const PixelRect& rc) {
    if (rc.IsEmpty()) return true;
    std::uint64_t arrSums[3] = {};
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x) {
            const std::uint32_t cr = arrPixels[static_cast<std::size_t>(y) * nWidth + x];
            for (int k = 0; k < 3; ++k) arrSums[k] += (cr >> (8 * k)) & 0xFF;
        }
    const auto nCount = static_cast<std::uint64_t>(rc.Width()) * static_cast<std::uint64_t>(rc.Height());
    return std::all_of(std::begin(arrSums), std::end(arrSums),
                       [&](std::uint64_t n) { return n <= kBarLevel * nCount; });
}

}  // namespace

bool HasAspectWithinAPixel(PixelSize sizePart, PixelSize sizePicture) {
    if (sizePart.cx <= 0 || sizePart.cy <= 0 || sizePicture.cx <= 0 || sizePicture.cy <= 0) return false;
    // |part height - part width × picture height / picture width| <= 1, and the same across,
    // in whole numbers.
    const long long nDiff = std::llabs(static_cast<long long>(sizePart.cy) * sizePicture.cx -
                                       static_cast<long long>(sizePart.cx) * sizePicture.cy);
    return nDiff <= std::min<long long>(sizePicture.cx, sizePicture.cy);
}

std::optional<PixelRect> PictureInThumbnail(std::span<const std::uint32_t> arrPixels, PixelSize sizeThumb,
                                            PixelSize sizePicture) {
    const PixelRect rcWhole{0, 0, sizeThumb.cx, sizeThumb.cy};
    if (sizeThumb.cx <= 0 || sizeThumb.cy <= 0 ||
        arrPixels.size() < static_cast<std::size_t>(sizeThumb.cx) * static_cast<std::size_t>(sizeThumb.cy))
        return std::nullopt;
    if (HasAspectWithinAPixel(sizeThumb, sizePicture)) return rcWhole;
    const PixelRect rcPart = CentreCropToAspect(sizeThumb, sizePicture);
    if (!HasAspectWithinAPixel(PixelSize{rcPart.Width(), rcPart.Height()}, sizePicture)) return std::nullopt;
    // What the crop cuts off: above and below, or left and right.
    const PixelRect arrCut[2] = {
        rcPart.top > 0 ? PixelRect{0, 0, sizeThumb.cx, rcPart.top} : PixelRect{0, 0, rcPart.left, sizeThumb.cy},
        rcPart.bottom < sizeThumb.cy ? PixelRect{0, rcPart.bottom, sizeThumb.cx, sizeThumb.cy}
                                     : PixelRect{rcPart.right, 0, sizeThumb.cx, sizeThumb.cy}};
    for (const PixelRect& rc : arrCut)
        if (!IsDarkBar(arrPixels, sizeThumb.cx, rc)) return std::nullopt;
    return rcPart;
}
