// A text label that paints its own background in the panel's skin colour. What it paints is
// its window text, so a screen reader or any automation reads what the user sees.
#pragma once
#include "framework/gdi.h"
#include "framework/wnd.h"

#include <string>

class CSkinLabel : public CWnd {
public:
    CSkinLabel();
    void SetBkColor(COLORREF cr) { m_crBack = cr; }
    COLORREF GetBkColor() const { return m_crBack; }
    // Sets the window text, which the label then paints.
    void SetText(const std::string& strText) { SetWindowText(strText); }
    // A label that has a font already keeps it. The font is 12 pixels high at 96 dpi.
    void CreateLabelFont(const CDpiScale& scale);
    HFONT GetFont() const { return m_font.Get(); }
    // The text's extent in the label's font; szDefault when the label has no window.
    SIZE GetTextExtent(SIZE szDefault = SIZE{0, 0}) const;

protected:
    BOOL OnEraseBkgnd(HDC hdc);
    void OnPaint();
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    // The font it paints with, once it has its own; whoever measures its text asks this.
    LRESULT OnGetFont(WPARAM wParam, LPARAM lParam);

    BEGIN_MESSAGE_MAP(CSkinLabel, CWnd)
        ON_WM_ERASEBKGND()
        ON_WM_PAINT()
        ON_MESSAGE(WM_SETTEXT, OnSetText)
        ON_MESSAGE(WM_GETFONT, OnGetFont)
    END_MESSAGE_MAP()

private:
    COLORREF m_crBack;
    CScopedFont m_font;
};
