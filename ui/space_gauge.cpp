#include "ui/space_gauge.h"

namespace {
constexpr COLORREF kFrameColor = RGB(49, 106, 197);
constexpr COLORREF kUsedColor = RGB(255, 191, 78);
constexpr COLORREF kSelectedColor = RGB(51, 102, 153);

void FillPixelRect(HDC hdc, const PixelRect& rc, COLORREF color) {
    if (rc.IsEmpty()) return;
    FillSolidRect(hdc, RECT{rc.left, rc.top, rc.right, rc.bottom}, color);
}
}  // namespace

int CSpaceGauge::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (DefWindowProc(WM_CREATE, 0, reinterpret_cast<LPARAM>(lpCreateStruct)) == -1) return -1;
    m_brFrame.Reset(CreateSolidBrush(kFrameColor));
    return 0;
}

BOOL CSpaceGauge::OnEraseBkgnd(HDC hdc) {
    RECT rc = GetClientRect();
    FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (m_brFrame) FrameRect(hdc, &rc, m_brFrame.Get());
    return TRUE;
}

void CSpaceGauge::FillBars(HDC hdc) const {
    FillPixelRect(hdc, m_model.GetUsedRect(), kUsedColor);
    FillPixelRect(hdc, m_model.GetSelectedRect(), kSelectedColor);
}

void CSpaceGauge::Redraw(const CSpaceAccount& space) {
    if (!m_hWnd) return;
    RECT rc = GetClientRect();
    m_model.Recalc(space.GetTotalSpace(), space.GetUsedSpace(), space.GetSelected(),
                   PixelSize{rc.right - rc.left, rc.bottom - rc.top});
    if (const int nPercent = space.GetFilledPercent(); nPercent != m_nFilledPercent) {
        m_nFilledPercent = nPercent;
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
    }
    // The bars may have shrunk: the frame's inside goes white again first.
    CWindowDC dc(m_hWnd);
    OnEraseBkgnd(dc.Get());
    FillBars(dc.Get());
}

void CSpaceGauge::OnPaint() {
    CPaintDC paint(m_hWnd);
    FillBars(paint.Get());
}

void CSpaceGauge::OnDestroy() {
    if (m_pAccessible) {
        m_pAccessible->Detach();
        m_pAccessible.Release();
    }
    DefWindowProc(WM_DESTROY, 0, 0);
}

LRESULT CSpaceGauge::OnGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return DefWindowProc(WM_GETOBJECT, wParam, lParam);
    if (!m_pAccessible) {
        CComPtrT<IAccessible> pStandard;
        if (FAILED(CreateStdAccessibleObject(m_hWnd, OBJID_CLIENT, IID_IAccessible, pStandard.ReceiveVoid())))
            return DefWindowProc(WM_GETOBJECT, wParam, lParam);
        m_pAccessible.Attach(new CGaugeAccessible(this, std::move(pStandard)));
    }
    return LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(m_pAccessible.Get()));
}
