#include "ui/space_gauge_model.h"

#include <algorithm>
#include <cmath>

namespace {

// trunc(nWidth × dPart / dTotal), kept within 0..nWidth. Infinite figures give NaN or
// infinity here; neither may reach the conversion to int. Figures near the largest double
// overflow in the product, so those divide first.
int Portion(int nWidth, double dPart, double dTotal) {
    double d = nWidth * dPart;
    d = std::trunc(std::isinf(d) ? nWidth * (dPart / dTotal) : d / dTotal);
    if (!(d > 0)) return 0;
    return d >= nWidth ? nWidth : static_cast<int>(d);
}

double NonNegative(double d) { return d >= 0 ? d : 0.0; }

}  // namespace

bool CSpaceGaugeModel::Recalc(double dTotal, double dUsed, double dSelected, PixelSize szClient) {
    dTotal = NonNegative(dTotal);
    dUsed = NonNegative(dUsed);
    dSelected = NonNegative(dSelected);
    if (!(dTotal > 0)) return false;
    if (dUsed >= dTotal)
        dSelected = 0;
    else if (dUsed + dSelected > dTotal)
        dSelected = dTotal - dUsed;

    // 1 pixel inside left and right, 2 at top and bottom: the frame and a white gap.
    const int cx = std::max(0, szClient.cx);
    const int cy = std::max(0, szClient.cy);
    const PixelRect rcInner = ClippedTo({1, 2, cx - 1, cy - 2}, {0, 0, cx, cy});
    const int w = rcInner.Width();

    const int nUsed = dUsed >= dTotal ? w : Portion(w, dUsed, dTotal);
    const int nSelected = std::min(w - nUsed, Portion(w, dSelected, dTotal));
    m_rcUsed = {rcInner.left, rcInner.top, rcInner.left + nUsed, rcInner.bottom};
    m_rcSelected = {m_rcUsed.right, rcInner.top, m_rcUsed.right + nSelected, rcInner.bottom};
    return true;
}
