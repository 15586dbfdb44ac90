// The space bar: the album's used space and the current selection as two bars.
#pragma once
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "ui/space_gauge_model.h"

class CSpaceGauge : public CWnd {
public:
    void SetTotal(double dKB) { m_model.SetTotal(dKB); }
    void SetUsed(double dKB) { m_model.SetUsed(dKB); }
    void SetSelected(double dKB) { m_model.SetSelected(dKB); }
    // Recomputes the bars and paints them at once.
    void Redraw();
    const CSpaceGaugeModel& GetModel() const { return m_model; }

protected:
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    BOOL OnEraseBkgnd(HDC hdc);
    void OnPaint();

    BEGIN_MESSAGE_MAP(CSpaceGauge, CWnd)
        ON_WM_CREATE()
        ON_WM_ERASEBKGND()
        ON_WM_PAINT()
    END_MESSAGE_MAP()

private:
    void FillBars(HDC hdc) const;

    CScopedBrush m_brFrame;
    CSpaceGaugeModel m_model;
};
