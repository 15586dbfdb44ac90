#include "ui/thumb_view.h"

#include "framework/text.h"
#include "imaging/fit_picture.h"
#include "res/resource.h"
#include "base/mbcs_text.h"
#include "ui/main_panel_dlg.h"
#include "ui/thumb_grid_layout.h"
#include "ui/thumb_scroll.h"

#include <shellapi.h>
#include <windowsx.h>

namespace {

CScopedFont MakeFont(int nPoints) {
    int height = -MulDiv(nPoints, GetDeviceCaps(CWindowDC(nullptr).Get(), LOGPIXELSY), 72);
    std::string face = LoadResString(IDS_FONT_NAME);
    return CScopedFont(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0, face.c_str()));
}

RECT ToRect(const PixelRect& rc) { return RECT{rc.left, rc.top, rc.right, rc.bottom}; }

void DrawFrame(HDC hdc, const RECT& rc, HPEN pen) {
    CScopedSelect select(hdc, pen);
    MoveToEx(hdc, rc.left, rc.top, nullptr);
    LineTo(hdc, rc.right, rc.top);
    LineTo(hdc, rc.right, rc.bottom);
    LineTo(hdc, rc.left, rc.bottom);
    LineTo(hdc, rc.left, rc.top);
}

// The picture's HIMETRIC size; false for a picture that answers none.
bool PictureExtent(IPicture* picture, OLE_XSIZE_HIMETRIC& cx, OLE_YSIZE_HIMETRIC& cy) {
    return SUCCEEDED(picture->get_Width(&cx)) && SUCCEEDED(picture->get_Height(&cy)) && cx > 0 && cy > 0;
}

}  // namespace

BOOL CThumbView::Create(CWnd* pParent, UINT nID) {
    LPCSTR cls = RegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW), nullptr);
    return pParent && cls &&
           CreateEx(0, cls, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL, RECT{},
                    pParent->m_hWnd, nID);
}

int CThumbView::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (DefWindowProc(WM_CREATE, 0, reinterpret_cast<LPARAM>(lpCreateStruct)) == -1) return -1;
    m_penSelected.Reset(CreatePen(PS_SOLID, 3, RGB(49, 106, 197)));
    m_penNormal.Reset(CreatePen(PS_SOLID, 1, RGB(236, 233, 216)));
    m_fontCaption = MakeFont(9);
    m_fontMessage = MakeFont(15);
    CWindowDC dc(m_hWnd);
    m_back.Create(dc.Get(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
}

void CThumbView::Layout() {
    if (!m_pPanel || !m_hWnd) return;
    RECT rc = GetClientRect();
    auto& items = m_pPanel->GetItems();
    CThumbGridLayout grid(PixelSize{rc.right - rc.left, rc.bottom - rc.top}, static_cast<int>(items.size()),
                          m_nScrollOffset);
    m_nScrollOffset = grid.GetScrollOffset();
    m_nContentHeight = grid.GetContentHeight();
    for (size_t i = 0; i < items.size(); ++i) {
        ThumbItem& item = *items[i];
        ThumbCellRects cell = grid.CellRects(static_cast<int>(i));
        PixelRect rcPicture = cell.rcPicture;
        // The producer's own pixel size: refitting from the picture's HIMETRIC extent would
        // round a row or column away and squeeze the thumbnail.
        if (item.pThumb) FitPictureRect(rcPicture, item.sizeThumb.cx, item.sizeThumb.cy);
        item.rcCell = ToRect(cell.rcCell);
        item.rcPicture = ToRect(rcPicture);
        item.rcCaption = ToRect(cell.rcCaption);
        item.bVisible = cell.bVisible;
    }
    ThumbScrollBar bar = grid.ScrollBar();
    if (bar.bShow) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, bar.nMin, bar.nMax,
                      static_cast<UINT>(bar.nPage), bar.nPos, 0};
        SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
        ShowScrollBar(m_hWnd, SB_VERT, TRUE);
    } else {
        ShowScrollBar(m_hWnd, SB_VERT, FALSE);
    }
}

void CThumbView::OnSize(UINT nType, int cx, int cy) {
    DefWindowProc(WM_SIZE, nType, MAKELPARAM(cx, cy));
    Layout();
}

void CThumbView::OnPaint() {
    CPaintDC paint(m_hWnd);
    HDC hdc = paint.Get();
    RECT rc = GetClientRect();
    if (m_pPanel && m_pPanel->GetItems().empty()) {
        FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        std::string text = LoadResString(IDS_NO_PICTURES);
        CScopedSelect font(hdc, m_fontMessage.Get());
        SetBkMode(hdc, TRANSPARENT);
        DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &rc, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    } else if (m_pPanel && m_back) {
        if (m_pPanel->AdoptThumbnails()) Layout();  // new thumbnails fit their boxes
        PaintItems(m_back.Get(), rc);
        BitBlt(hdc, 0, 0, rc.right, rc.bottom, m_back.Get(), 0, 0, SRCCOPY);
    }
}

void CThumbView::PaintItems(HDC hdc, const RECT& rcClient) {
    FillRect(hdc, &rcClient, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    CScopedSelect font(hdc, m_fontCaption.Get());
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    // A thumbnail a pixel bigger than its box would have two rows ANDed into one dark,
    // off-colour line by the default stretch mode; this one drops the row instead.
    SetStretchBltMode(hdc, COLORONCOLOR);
    auto& items = m_pPanel->GetItems();
    size_t i = 0;
    while (i < items.size() && !items[i]->bVisible) ++i;
    for (; i < items.size() && items[i]->bVisible; ++i) {
        ThumbItem& item = *items[i];
        if (item.bSelected) {
            RECT rc = item.rcCell;
            InflateRect(&rc, 2, 2);
            DrawFrame(hdc, rc, m_penSelected.Get());
        } else {
            DrawFrame(hdc, item.rcCell, m_penNormal.Get());
        }
        OLE_XSIZE_HIMETRIC cx = 0;
        OLE_YSIZE_HIMETRIC cy = 0;
        if (item.pThumb && PictureExtent(item.pThumb.Get(), cx, cy)) {
            const RECT& rp = item.rcPicture;
            item.pThumb->Render(hdc, rp.left, rp.top, rp.right - rp.left, rp.bottom - rp.top, 0, cy, cx, -cy,
                                nullptr);
        }
        RECT rcCaption = item.rcCaption;
        DrawTextA(hdc, item.strCaption.c_str(), static_cast<int>(item.strCaption.size()), &rcCaption,
                  DT_CENTER | DT_WORDBREAK | DT_WORD_ELLIPSIS);
    }
}

void CThumbView::Scroll(ThumbScrollAction action) {
    if (action == ThumbScrollAction::Other) return;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(m_hWnd, SB_VERT, &si);
    ThumbScrollState state{si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos, si.nTrackPos};
    int nOld = si.nPos;
    si.fMask = SIF_POS;
    si.nPos = RequestedScrollPos(action, state);
    SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    GetScrollInfo(m_hWnd, SB_VERT, &si);  // what the system made of it
    if (si.nPos != nOld) SendMessage(WM_THUMBS_SCROLLED, 0, nOld - si.nPos);
}

LRESULT CThumbView::OnVScroll(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case SB_LINEUP: Scroll(ThumbScrollAction::LineUp); break;
    case SB_LINEDOWN: Scroll(ThumbScrollAction::LineDown); break;
    case SB_PAGEUP: Scroll(ThumbScrollAction::PageUp); break;
    case SB_PAGEDOWN: Scroll(ThumbScrollAction::PageDown); break;
    case SB_THUMBTRACK: Scroll(ThumbScrollAction::ThumbTrack); break;
    case SB_TOP: Scroll(ThumbScrollAction::Top); break;
    case SB_BOTTOM: Scroll(ThumbScrollAction::Bottom); break;
    default: break;
    }
    return 0;
}

LRESULT CThumbView::OnMouseWheel(WPARAM wParam, LPARAM) {
    int nMin = 0, nMax = 0;
    GetScrollRange(m_hWnd, SB_VERT, &nMin, &nMax);
    if (nMin == nMax) return 0;
    UINT nLines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &nLines, 0);
    ThumbWheelScroll wheel = WheelToScroll(GET_WHEEL_DELTA_WPARAM(wParam), static_cast<int>(nLines));
    for (int i = 0; i < wheel.nSteps; ++i) Scroll(wheel.action);
    return 1;
}

LRESULT CThumbView::OnScrolled(WPARAM, LPARAM lParam) {
    m_nScrollOffset += static_cast<int>(lParam);
    Layout();
    Invalidate(TRUE);
    return 1;
}

LRESULT CThumbView::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
    DefWindowProc(WM_LBUTTONUP, wParam, lParam);
    if (m_pPanel) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (ThumbItem* item = m_pPanel->HitTestItem(pt)) {
            if (item->bSelected) {
                item->bSelected = false;
                m_pPanel->UpdateUploadButton();
                m_pPanel->RemoveFromSelection(m_pPanel->ItemUploadKB(item));
            } else {
                item->bSelected = true;
                m_pPanel->UpdateUploadButton();
                m_pPanel->EnsurePrepared(item);
                m_pPanel->AddToSelection(m_pPanel->ItemUploadKB(item));
            }
            m_pPanel->UpdateSpaceLabel();
            m_pPanel->Invalidate(TRUE);
            Invalidate(TRUE);
        }
    }
    SetFocus(m_hWnd);
    return 0;
}

LRESULT CThumbView::OnLButtonDblClk(WPARAM wParam, LPARAM lParam) {
    if (m_pPanel) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (ThumbItem* item = m_pPanel->HitTestItem(pt))
            ShellExecuteA(nullptr, "Open", item->strPath.c_str(), nullptr, nullptr, SW_SHOW);
    }
    return DefWindowProc(WM_LBUTTONDBLCLK, wParam, lParam);
}

LRESULT CThumbView::OnNewList(WPARAM, LPARAM) {
    SetFocus(m_hWnd);
    if (!m_pPanel) return 0;
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    m_pPanel->RemoveFromSelection(m_pPanel->GetSelectedKB());
    m_pPanel->UpdateSpaceLabel();
    for (auto& item : m_pPanel->GetItems()) item->strCaption = GetFileNamePart(item->strPath, IsAnsiLeadByte);
    m_nScrollOffset = 0;
    Layout();
    m_pPanel->EnableSelectButtons(!m_pPanel->GetItems().empty());
    Invalidate(TRUE);
    m_pPanel->StartThumbnails();
    SetCursor(previous);
    return 1;
}
