#include "ui/skin_button.h"

#include "framework/gdi.h"
#include "framework/module.h"

#include <algorithm>
#include <string>

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

void CSkinButton::SetTextColors(COLORREF crText, COLORREF crDisabled) {
    m_crText = crText;
    m_crDisabled = crDisabled;
}

bool CSkinButton::IsDisabled(UINT itemState) const {
    return (itemState & ODS_GRAYED) || (itemState & ODS_DISABLED) || (m_hWnd && !IsWindowEnabled(m_hWnd));
}

UINT CSkinButton::BitmapForState(UINT itemState) const {
    if (IsDisabled(itemState)) return m_idDisabled;
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
    BITMAP face{};
    if (!GetObjectA(bitmap.Get(), sizeof face, &face) || face.bmWidth <= 0 || face.bmHeight <= 0) return;
    CMemoryDC memory(dis.hDC, bitmap.Get());
    if (!memory) return;
    const RECT& rc = dis.rcItem;
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    // The face takes the button's size, whatever the dpi made of it; halftone keeps its
    // gradient smooth where the ratio is not whole.
    const int nOldMode = SetStretchBltMode(dis.hDC, HALFTONE);
    SetBrushOrgEx(dis.hDC, 0, 0, nullptr);
    StretchBlt(dis.hDC, rc.left, rc.top, cx, cy, memory.Get(), 0, 0, face.bmWidth, face.bmHeight, SRCCOPY);
    if (nOldMode) SetStretchBltMode(dis.hDC, nOldMode);

    // The text at the font's own size over the face; pressed, it moves down and right by a
    // pixel of the face.
    const std::string text = GetWindowText();
    if (text.empty()) return;
    RECT rcText = rc;
    if (dis.itemState & ODS_SELECTED) {
        const int nShift = std::max(1, MulDiv(1, cy, face.bmHeight));
        OffsetRect(&rcText, nShift, nShift);
    }
    CScopedSelect font(dis.hDC, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT, 0, 0)));
    const int nOldBk = SetBkMode(dis.hDC, TRANSPARENT);
    const COLORREF crOld = SetTextColor(dis.hDC, IsDisabled(dis.itemState) ? m_crDisabled : m_crText);
    const UINT nFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | ((dis.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
    DrawTextA(dis.hDC, text.c_str(), static_cast<int>(text.size()), &rcText, nFormat);
    SetTextColor(dis.hDC, crOld);
    SetBkMode(dis.hDC, nOldBk);
}
