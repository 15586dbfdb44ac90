#include "imaging/fit_picture.h"

#include <climits>
#include <cmath>

namespace {

// trunc(d) as an int within [nLow, nHigh]; callers pass finite values.
int TruncWithin(double d, int nLow, int nHigh) {
    const double t = std::trunc(d);
    if (!(t > nLow)) return nLow;
    return t >= nHigh ? nHigh : static_cast<int>(t);
}

}  // namespace

void FitPictureRect(PixelRect& rcBox, int nWidth, int nHeight) {
    const int W = rcBox.Width();
    const int H = rcBox.Height();
    if (nWidth <= 0 || nHeight <= 0 || W <= 0 || H <= 0 || nWidth == nHeight) return;
    // Offsets are measured from the box's own edge and then added: truncating the absolute
    // coordinate instead would round a box at negative coordinates (a scrolled row) the
    // other way and push its far edge a pixel past the box.
    if (nWidth > nHeight) {
        const double d = static_cast<double>(W) * nHeight / nWidth;
        if (d < H) {
            const int nShift = TruncWithin((H - d) / 2, 0, H) + 1;
            const int nExtent = TruncWithin(nShift + d, nShift, H) - nShift;
            rcBox.top += nShift;
            rcBox.bottom = rcBox.top + nExtent;
        }
    } else {
        const double d = static_cast<double>(H) * nWidth / nHeight;
        if (d < W) {
            const int nShift = TruncWithin((W - d) / 2, 0, W) + 1;
            const int nExtent = TruncWithin(nShift + d, nShift, W) - nShift;
            rcBox.left += nShift;
            rcBox.right = rcBox.left + nExtent;
        }
    }
}

PixelRect CentreCropToAspect(PixelSize sizePicture, PixelSize sizeAspect) {
    const PixelRect rcWhole{0, 0, sizePicture.cx, sizePicture.cy};
    if (sizePicture.cx <= 0 || sizePicture.cy <= 0 || sizeAspect.cx <= 0 || sizeAspect.cy <= 0) return rcWhole;
    // In 64 bits: sides up to INT_MAX multiply past int. The part is never longer than the
    // picture, so its extent fits int again.
    const long long nPictureX = sizePicture.cx, nPictureY = sizePicture.cy;
    const long long nAspectX = sizeAspect.cx, nAspectY = sizeAspect.cy;
    if (nPictureX * nAspectY > nAspectX * nPictureY) {
        const auto nWidth = static_cast<int>((2 * nPictureY * nAspectX + nAspectY) / (2 * nAspectY));
        const int nLeft = (sizePicture.cx - nWidth) / 2;
        return PixelRect{nLeft, 0, nLeft + nWidth, sizePicture.cy};
    }
    if (nPictureX * nAspectY < nAspectX * nPictureY) {
        const auto nHeight = static_cast<int>((2 * nPictureX * nAspectY + nAspectX) / (2 * nAspectX));
        const int nTop = (sizePicture.cy - nHeight) / 2;
        return PixelRect{0, nTop, sizePicture.cx, nTop + nHeight};
    }
    return rcWhole;
}

void FitWithinLimits(int nMaxWidth, int nMaxHeight, int& nWidth, int& nHeight) {
    if (nWidth <= 0 || nHeight <= 0) return;
    const int nLimitX = LimitOrUnlimited(nMaxWidth);
    const int nLimitY = LimitOrUnlimited(nMaxHeight);
    const double dRatio = static_cast<double>(nWidth) / nHeight;
    if (nLimitX < nWidth) {
        nWidth = nLimitX;
        nHeight = TruncWithin(nLimitX / dRatio, 1, INT_MAX);
    }
    if (nLimitY < nHeight) {
        nHeight = nLimitY;
        nWidth = TruncWithin(dRatio * nLimitY, 1, INT_MAX);
    }
}

bool IsBelowLimits(int nMaxWidth, int nMaxHeight, int nWidth, int nHeight) {
    return (nMaxWidth <= 0 || nWidth < nMaxWidth) && (nMaxHeight <= 0 || nHeight < nMaxHeight);
}

int LimitOrUnlimited(int nLimit) { return nLimit > 0 ? nLimit : INT_MAX; }
