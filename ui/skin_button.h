// A push button drawn entirely from bitmap resources, one per state; the caption is part of
// the artwork.
#pragma once
#include "framework/wnd.h"

class CSkinButton : public CWnd {
public:
    // Takes over a button of the dialog and makes it owner-drawn.
    BOOL Attach(UINT nID, CWnd* pParent);
    void SetBitmaps(UINT idNormal, UINT idPressed, UINT idChecked, UINT idDisabled);
    // The bitmap that DrawItem shows for an owner-draw item state.
    UINT BitmapForState(UINT itemState) const;

protected:
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);

    BEGIN_MESSAGE_MAP(CSkinButton, CWnd)
        ON_REFLECT(WM_DRAWITEM, OnDrawItem)
    END_MESSAGE_MAP()

private:
    void DrawItem(const DRAWITEMSTRUCT& dis);

    UINT m_idNormal = 0;
    UINT m_idPressed = 0;
    UINT m_idChecked = 0;
    UINT m_idDisabled = 0;
};
