// A text label that paints its own background in the panel's skin colour.
#pragma once
#include "framework/gdi.h"
#include "framework/wnd.h"

#include <string>

class CSkinLabel : public CWnd {
public:
    CSkinLabel();
    void SetBkColor(COLORREF cr) { m_crBack = cr; }
    COLORREF GetBkColor() const { return m_crBack; }
    // The text it paints; the owner invalidates the label after a change.
    void SetText(const std::string& strText) { m_strText = strText; }
    const std::string& GetText() const { return m_strText; }
    // A label that has a font already keeps it.
    void CreateLabelFont();
    HFONT GetFont() const { return m_font.Get(); }
    // The text's extent in the label's font; szDefault when the label has no window.
    SIZE GetTextExtent(SIZE szDefault = SIZE{0, 0}) const;

protected:
    BOOL OnEraseBkgnd(HDC hdc);
    void OnPaint();

    BEGIN_MESSAGE_MAP(CSkinLabel, CWnd)
        ON_WM_ERASEBKGND()
        ON_WM_PAINT()
    END_MESSAGE_MAP()

private:
    COLORREF m_crBack;
    std::string m_strText;
    CScopedFont m_font;
};
