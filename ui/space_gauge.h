// The space bar: the album's used space and the current selection as two bars.
#pragma once
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "ui/space_account.h"
#include "ui/space_gauge_model.h"

class CSpaceGauge : public CWnd {
public:
    // Recomputes the bars from the panel's figures and paints them at once.
    void Redraw(const CSpaceAccount& space);

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
