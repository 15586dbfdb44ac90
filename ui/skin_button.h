// A push button drawn from bitmap resources, one face per state, stretched to the button's
// size, with the button's own text drawn over the face in the button's font. The text is
// never part of the artwork: stretched to a larger screen it would blur.
#pragma once
#include "framework/wnd.h"

class CSkinButton : public CWnd {
public:
    // Takes over a button of the dialog and makes it owner-drawn.
    BOOL Attach(UINT nID, CWnd* pParent);
    void SetBitmaps(UINT idNormal, UINT idPressed, UINT idChecked, UINT idDisabled);
    // The text's colour on the enabled faces and on the disabled one.
    void SetTextColors(COLORREF crText, COLORREF crDisabled);
    // The bitmap that DrawItem shows for an owner-draw item state.
    UINT BitmapForState(UINT itemState) const;

protected:
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);

    BEGIN_MESSAGE_MAP(CSkinButton, CWnd)
        ON_REFLECT(WM_DRAWITEM, OnDrawItem)
    END_MESSAGE_MAP()

private:
    void DrawItem(const DRAWITEMSTRUCT& dis);
    bool IsDisabled(UINT itemState) const;

    UINT m_idNormal = 0;
    UINT m_idPressed = 0;
    UINT m_idChecked = 0;
    UINT m_idDisabled = 0;
    COLORREF m_crText = RGB(0, 0, 0);
    COLORREF m_crDisabled = RGB(128, 128, 128);
};
