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
