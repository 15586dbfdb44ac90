// The vertical bar between the folder tree and the grid: the user drags it, and the parent
// is told how far (WM_PANEL_SPLITMOVED) and lays itself out again.
#pragma once
#include "framework/wnd.h"
#include "ui/panel_messages.h"

class CSplitterBar : public CWnd {
public:
    COLORREF m_crColor = RGB(0, 0, 0);
    // The mouse stays at least this far from the parent's left and right edges while dragging.
    int m_nLeftLimit = 10;
    int m_nRightLimit = 20;

    BOOL Create(CWnd* pParent, UINT nID);

protected:
    void OnPaint();
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);

    BEGIN_MESSAGE_MAP(CSplitterBar, CWnd)
        ON_WM_PAINT()
        ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
        ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
        ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
    END_MESSAGE_MAP()

private:
    // Runs the modal mouse loop; answers the move in pixels, or 0 when cancelled.
    int TrackDrag(POINT ptStart, HWND hParent, RECT& rcEnd);

    HCURSOR m_hPrevCursor = nullptr;
};
