#include "ui/skin_label.h"

#include "framework/text.h"
#include "res/resource.h"

CSkinLabel::CSkinLabel() : m_crBack(GetSysColor(COLOR_BTNFACE)) {}

void CSkinLabel::CreateLabelFont() {
    if (m_font) return;
    std::string face = LoadResString(IDS_FONT_NAME);
    m_font.Reset(CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, face.c_str()));
}

SIZE CSkinLabel::GetTextExtent(SIZE szDefault) const {
    if (!m_hWnd) return szDefault;
    SIZE size{0, 0};
    CWindowDC dc(m_hWnd);
    HGDIOBJ old = m_font ? SelectObject(dc.Get(), m_font.Get()) : nullptr;
    GetTextExtentPoint32A(dc.Get(), m_strText.c_str(), static_cast<int>(m_strText.size()), &size);
    if (old) SelectObject(dc.Get(), old);
    return size;
}

BOOL CSkinLabel::OnEraseBkgnd(HDC hdc) {
    RECT rc = GetClientRect();
    ::SetBkColor(hdc, m_crBack);
    ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    return TRUE;
}

void CSkinLabel::OnPaint() {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWnd, &ps);
    if (!m_strText.empty()) {
        RECT rc = GetClientRect();
        HGDIOBJ old = m_font ? SelectObject(hdc, m_font.Get()) : nullptr;
        SetBkMode(hdc, TRANSPARENT);
        DrawTextA(hdc, m_strText.c_str(), static_cast<int>(m_strText.size()), &rc, DT_VCENTER);
        if (old) SelectObject(hdc, old);
    }
    EndPaint(m_hWnd, &ps);
}
