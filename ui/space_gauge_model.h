// Bar geometry of the space gauge (CSpaceGauge): how much of the album is used and how much the
// current selection would add, as two bars in the gauge's client area. The figures themselves
// are the panel's CSpaceAccount; this keeps only what they come to in pixels.
#pragma once
#include "base/geometry.h"

class CSpaceGaugeModel {
public:
    // Redraw's geometry for a gauge of the given client size, from kilobytes; a negative
    // figure (or one that is not a number) counts as 0. With no total the bars keep what
    // they were and the result is false. Used beyond the total fills the whole
    // bar and leaves no room for the selection; a selection beyond the rest is cut to it.
    bool Recalc(double dTotal, double dUsed, double dSelected, PixelSize szClient);

    // Client rectangles to fill; never outside the frame, never inside out.
    const PixelRect& GetUsedRect() const { return m_rcUsed; }
    const PixelRect& GetSelectedRect() const { return m_rcSelected; }

private:
    PixelRect m_rcUsed;
    PixelRect m_rcSelected;
};
