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
    CScopedSelect font(dc.Get(), m_font.Get());
    GetTextExtentPoint32A(dc.Get(), m_strText.c_str(), static_cast<int>(m_strText.size()), &size);
    return size;
}

BOOL CSkinLabel::OnEraseBkgnd(HDC hdc) {
    FillSolidRect(hdc, GetClientRect(), m_crBack);
    return TRUE;
}

void CSkinLabel::OnPaint() {
    CPaintDC paint(m_hWnd);
    if (m_strText.empty()) return;
    HDC hdc = paint.Get();
    RECT rc = GetClientRect();
    CScopedSelect font(hdc, m_font.Get());
    SetBkMode(hdc, TRANSPARENT);
    DrawTextA(hdc, m_strText.c_str(), static_cast<int>(m_strText.size()), &rc, DT_VCENTER);
}
