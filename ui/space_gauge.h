// The space bar: the album's used space and the current selection as two bars. Its window
// text is the space text, which screen readers hear as its name, with how full the bars are
// as its value.
#pragma once
#include "framework/com_ptr.h"
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "ui/gauge_accessible.h"
#include "ui/space_account.h"
#include "ui/space_gauge_model.h"

class CSpaceGauge : public CWnd {
public:
    // Recomputes the bars from the panel's figures and paints them at once.
    void Redraw(const CSpaceAccount& space);
    // What the bars show, for assistive technology.
    int GetFilledPercent() const { return m_nFilledPercent; }

protected:
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    BOOL OnEraseBkgnd(HDC hdc);
    void OnPaint();
    void OnDestroy();
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);

    BEGIN_MESSAGE_MAP(CSpaceGauge, CWnd)
        ON_WM_CREATE()
        ON_WM_ERASEBKGND()
        ON_WM_PAINT()
        ON_WM_DESTROY()
        ON_MESSAGE(WM_GETOBJECT, OnGetObject)
    END_MESSAGE_MAP()

private:
    void FillBars(HDC hdc) const;

    CScopedBrush m_brFrame;
    CSpaceGaugeModel m_model;
    int m_nFilledPercent = 0;
    CComPtrT<CGaugeAccessible> m_pAccessible;  // made at the first WM_GETOBJECT
};
