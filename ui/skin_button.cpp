#include "ui/skin_button.h"

#include "framework/module.h"
#include "framework/gdi.h"

BOOL CSkinButton::Attach(UINT nID, CWnd* pParent) {
    HWND hButton = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)) : nullptr;
    if (!hButton) return FALSE;
    LONG style = GetWindowLongA(hButton, GWL_STYLE);
    SetWindowLongA(hButton, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    return SubclassWindow(hButton);
}

void CSkinButton::SetBitmaps(UINT idNormal, UINT idPressed, UINT idChecked, UINT idDisabled) {
    m_idNormal = idNormal;
    m_idPressed = idPressed;
    m_idChecked = idChecked;
    m_idDisabled = idDisabled;
}

UINT CSkinButton::BitmapForState(UINT itemState) const {
    if ((itemState & ODS_GRAYED) || (itemState & ODS_DISABLED) || (m_hWnd && !IsWindowEnabled(m_hWnd)))
        return m_idDisabled;
    if (itemState & ODS_CHECKED) return m_idChecked;
    if (itemState & ODS_SELECTED) return m_idPressed;
    return m_idNormal;
}

LRESULT CSkinButton::OnDrawItem(WPARAM, LPARAM lParam) {
    if (lParam) DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& dis) {
    UINT id = BitmapForState(dis.itemState);
    if (!dis.hDC || id == 0) return;
    // Loaded afresh for every draw: nine small bitmaps are not worth a cache.
    CScopedBitmap bitmap(LoadBitmapA(CModule::Instance(), MAKEINTRESOURCEA(id)));
    if (!bitmap) return;
    CMemoryDC memory(dis.hDC, bitmap.Get());
    if (!memory) return;
    const RECT& rc = dis.rcItem;
    BitBlt(dis.hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, memory.Get(), 0, 0, SRCCOPY);
}
