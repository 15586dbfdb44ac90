#include "ui/skin_label.h"

#include "framework/text.h"
#include "res/resource.h"

CSkinLabel::CSkinLabel() : m_crBack(GetSysColor(COLOR_BTNFACE)) {}

void CSkinLabel::CreateLabelFont(const CDpiScale& scale) {
    if (m_font) return;
    std::string face = LoadResString(IDS_FONT_NAME);
    m_font.Reset(CreateFontA(scale.Scale(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, face.c_str()));
}

SIZE CSkinLabel::GetTextExtent(SIZE szDefault) const {
    if (!m_hWnd) return szDefault;
    SIZE size{0, 0};
    const std::string text = GetWindowText();
    CWindowDC dc(m_hWnd);
    CScopedSelect font(dc.Get(), m_font.Get());
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

BOOL CSkinLabel::OnEraseBkgnd(HDC hdc) {
    FillSolidRect(hdc, GetClientRect(), m_crBack);
    return TRUE;
}

void CSkinLabel::OnPaint() {
    CPaintDC paint(m_hWnd);
    const std::string text = GetWindowText();
    if (text.empty()) return;
    HDC hdc = paint.Get();
    RECT rc = GetClientRect();
    CScopedSelect font(hdc, m_font.Get());
    SetBkMode(hdc, TRANSPARENT);
    DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &rc, DT_VCENTER);
}

LRESULT CSkinLabel::OnSetText(WPARAM wParam, LPARAM lParam) {
    // The static control underneath would paint the new text at once in its own look; only
    // store it, and let the next paint show it in the skin.
    LRESULT result = ::DefWindowProcA(m_hWnd, WM_SETTEXT, wParam, lParam);
    Invalidate(TRUE);
    return result;
}

LRESULT CSkinLabel::OnGetFont(WPARAM wParam, LPARAM lParam) {
    if (m_font) return reinterpret_cast<LRESULT>(m_font.Get());
    return DefWindowProc(WM_GETFONT, wParam, lParam);
}
