// The grid of the current folder's pictures: square cells with captions, selection by
// click, opening by double click, vertical scrolling. It draws the panel's items.
#pragma once
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "ui/thumb_scroll.h"

class CMainPanelDlg;

// The grid to itself after scrolling: lParam is the old position minus the new one.
constexpr UINT WM_THUMBS_SCROLLED = 0x465;

class CThumbView : public CWnd {
public:
    CMainPanelDlg* m_pPanel = nullptr;
    int m_nScrollOffset = 0;  // 0 or negative: minus the scroll position
    int m_nContentHeight = 0;

    BOOL Create(CWnd* pParent, UINT nID);
    void Layout();

protected:
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnPaint();
    void OnSize(UINT nType, int cx, int cy);
    LRESULT OnVScroll(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    LRESULT OnNewList(WPARAM wParam, LPARAM lParam);
    LRESULT OnScrolled(WPARAM wParam, LPARAM lParam);
    BOOL OnEraseBkgnd(HDC) { return TRUE; }  // painting covers everything

    BEGIN_MESSAGE_MAP(CThumbView, CWnd)
        ON_WM_CREATE()
        ON_WM_PAINT()
        ON_WM_SIZE()
        ON_WM_ERASEBKGND()
        ON_MESSAGE(WM_VSCROLL, OnVScroll)
        ON_MESSAGE(WM_MOUSEWHEEL, OnMouseWheel)
        ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
        ON_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
        ON_MESSAGE(0x464, OnNewList)
        ON_MESSAGE(WM_THUMBS_SCROLLED, OnScrolled)
    END_MESSAGE_MAP()

private:
    void Scroll(ThumbScrollAction action);
    void PaintItems(HDC hdc, const RECT& rcClient);

    CScopedFont m_fontCaption;
    CScopedFont m_fontMessage;
    CBackBuffer m_back;
    CScopedPen m_penSelected;
    CScopedPen m_penNormal;
};
