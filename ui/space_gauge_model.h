// Figures and bar geometry of the space gauge (CSpaceGauge): how much of the album is used
// and how much the current selection would add, as two bars in the gauge's client area.
#pragma once
#include "ui/geometry.h"

class CSpaceGaugeModel {
public:
    // Kilobytes. A negative value (or one that is not a number) is stored as 0.
    void SetTotal(double dKB) { m_dTotal = NonNegative(dKB); }
    void SetUsed(double dKB) { m_dUsed = NonNegative(dKB); }
    void SetSelected(double dKB) { m_dSelected = NonNegative(dKB); }
    double GetTotal() const { return m_dTotal; }
    double GetUsed() const { return m_dUsed; }
    double GetSelected() const { return m_dSelected; }

    // Redraw's geometry for a gauge of the given client size. With no total (0) the bars
    // keep what they were and the result is false. Used beyond the total fills the whole
    // bar and leaves no room for the selection; a selection beyond the rest is cut to it.
    bool Recalc(PixelSize szClient);

    // Client rectangles to fill; never outside the frame, never inside out.
    const PixelRect& GetUsedRect() const { return m_rcUsed; }
    const PixelRect& GetSelectedRect() const { return m_rcSelected; }

private:
    static double NonNegative(double d) { return d >= 0 ? d : 0.0; }

    double m_dTotal = 0.0;
    double m_dUsed = 0.0;
    double m_dSelected = 0.0;
    PixelRect m_rcUsed;
    PixelRect m_rcSelected;
};
