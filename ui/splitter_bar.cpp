#include "ui/splitter_bar.h"

#include "framework/module.h"
#include "framework/gdi.h"
#include "res/resource.h"

#include <windowsx.h>

namespace {

HCURSOR SplitterCursor() { return LoadCursorA(CModule::Instance(), MAKEINTRESOURCEA(IDC_SPLITTER)); }

// The drag feedback: the whole rectangle inverted with a halftone pattern. Drawing the same
// rectangle twice removes it again.
void InvertDragRect(HDC hdc, const RECT& rc) {
    static const WORD pattern[8] = {0x5555, 0xaaaa, 0x5555, 0xaaaa, 0x5555, 0xaaaa, 0x5555, 0xaaaa};
    CScopedBitmap bitmap(CreateBitmap(8, 8, 1, 1, pattern));
    CScopedBrush brush(CreatePatternBrush(bitmap.Get()));
    if (!brush) return;
    CScopedSelect select(hdc, brush.Get());
    PatBlt(hdc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, PATINVERT);
}

// Releases what a drag holds on every way out of it.
class CDragSession {
public:
    CDragSession(HWND hBar, HWND hParent) : m_dc(hParent) { SetCapture(hBar); }
    ~CDragSession() {
        ReleaseCapture();
        ClipCursor(nullptr);
    }
    CDragSession(const CDragSession&) = delete;
    CDragSession& operator=(const CDragSession&) = delete;
    HDC Dc() const { return m_dc.Get(); }

private:
    CWindowDC m_dc;
};

}  // namespace

BOOL CSplitterBar::Create(CWnd* pParent, UINT nID) {
    LPCSTR cls = RegisterWndClass(0, nullptr, nullptr);
    return pParent && cls && CreateEx(0, cls, "", WS_CHILD | WS_VISIBLE, RECT{}, pParent->m_hWnd, nID);
}

void CSplitterBar::OnPaint() {
    CPaintDC paint(m_hWnd);
    FillSolidRect(paint.Get(), GetClientRect(), m_crColor);
}

LRESULT CSplitterBar::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    SetCursor(SplitterCursor());
    DefWindowProc(WM_SETCURSOR, wParam, lParam);
    return TRUE;  // the bar's cursor stays: the default would put the class's (none) back
}

LRESULT CSplitterBar::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (HCURSOR cursor = SplitterCursor()) {
        HCURSOR previous = SetCursor(cursor);
        if (previous != cursor) m_hPrevCursor = previous;
    }
    return DefWindowProc(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT CSplitterBar::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    HWND hParent = ::GetParent(m_hWnd);
    if (!hParent) return 0;
    POINT ptStart{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT rcEnd{};
    int nDelta = TrackDrag(ptStart, hParent, rcEnd);
    if (nDelta == 0) {
        Invalidate(TRUE);
        return 0;
    }
    ::SetWindowPos(m_hWnd, nullptr, rcEnd.left, rcEnd.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    ::SendMessageA(hParent, WM_PANEL_SPLITMOVED, 0, nDelta);
    return DefWindowProc(WM_LBUTTONDOWN, wParam, lParam);
}

int CSplitterBar::TrackDrag(POINT ptStart, HWND hParent, RECT& rcEnd) {
    if (GetCapture()) ReleaseCapture();
    RECT rcParent{};
    GetWindowRect(hParent, &rcParent);
    RECT rcClip{rcParent.left + m_nLeftLimit, 0, rcParent.right - m_nRightLimit, GetSystemMetrics(SM_CYSCREEN)};
    ClipCursor(&rcClip);
    CDragSession session(m_hWnd, hParent);

    RECT rcStart{};
    GetWindowRect(m_hWnd, &rcStart);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rcStart), 2);
    RECT rcCur = rcStart;
    InvertDragRect(session.Dc(), rcCur);
    int nDelta = 0;

    MSG msg;
    for (;;) {
        if (GetCapture() != m_hWnd) break;  // lost to another window: keep what was done
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            if (msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            // The point is in the bar's own client coordinates, which stay where the bar was.
            nDelta = static_cast<short>(LOWORD(msg.lParam)) - ptStart.x;
            RECT rcNew = rcStart;
            OffsetRect(&rcNew, nDelta, 0);
            InvertDragRect(session.Dc(), rcCur);
            InvertDragRect(session.Dc(), rcNew);
            rcCur = rcNew;
        } else if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONDOWN) {
            break;
        } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            InvertDragRect(session.Dc(), rcCur);
            return 0;
        }
        // Anything else that arrives during the drag is dropped.
    }
    if (m_hPrevCursor) SetCursor(m_hPrevCursor);
    InvertDragRect(session.Dc(), rcCur);
    rcEnd = rcCur;
    return nDelta;
}
