#include "ui/thumb_view.h"

#include "framework/text.h"
#include "imaging/fit_picture.h"
#include "res/resource.h"
#include "ui/thumb_focus.h"

#include <olectl.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

CScopedFont MakeFont(int nPoints) {
    int height = -MulDiv(nPoints, GetDeviceCaps(CWindowDC(nullptr).Get(), LOGPIXELSY), 72);
    std::string face = LoadResString(IDS_FONT_NAME);
    return CScopedFont(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0, face.c_str()));
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

BOOL CThumbView::Create(CWnd* pParent, UINT nID, CThumbGridOwner* pOwner) {
    m_pOwner = pOwner;
    LPCSTR cls = RegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW), nullptr);
    return pParent && cls &&
           CreateEx(0, cls, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL,
                    RECT{}, pParent->m_hWnd, nID);
}

int CThumbView::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (DefWindowProc(WM_CREATE, 0, reinterpret_cast<LPARAM>(lpCreateStruct)) == -1) return -1;
    // Cells, frames and thumbnails grow with the dpi; the thumbnails are made at the cells'
    // pixel size, never stretched up from a smaller one.
    const CDpiScale scale = ScreenDpiScale();
    m_metrics = ThumbGridMetrics::At(scale);
    m_nItemMargin = scale.Scale(kItemMargin);
    m_penSelected.Reset(CreatePen(PS_SOLID, scale.Scale(3), RGB(49, 106, 197)));
    m_penNormal.Reset(CreatePen(PS_SOLID, m_metrics.nFrame, RGB(236, 233, 216)));
    m_fontCaption = MakeFont(9);
    m_fontMessage = MakeFont(15);
    return 0;
}

void CThumbView::OnDestroy() {
    if (m_pAccessible) {
        m_pAccessible->Detach();
        m_pAccessible.Release();
    }
    ForgetPictures();
    DefWindowProc(WM_DESTROY, 0, 0);
}

void CThumbView::ForgetPictures() {
    m_producer.Stop();
    m_cache.Clear();
    // Until the new list comes the grid shows nothing of the old one, whose items go now.
    m_grid = CThumbGridLayout(PixelSize{}, 0, 0, m_metrics);
}

void CThumbView::Layout() {
    if (!m_pOwner || !m_hWnd) return;
    RECT rc = GetClientRect();
    m_grid = CThumbGridLayout(PixelSize{rc.right - rc.left, rc.bottom - rc.top},
                              static_cast<int>(std::min<std::size_t>(m_pOwner->GetPictureCount(), INT_MAX)),
                              m_nScrollOffset, m_metrics);
    m_nScrollOffset = m_grid.GetScrollOffset();
    // The screen first, then a screen's worth above and below it, so that a page either
    // way finds its thumbnails made; the cache holds all three.
    const ThumbRange visible = m_grid.VisibleItems();
    const auto nVisible = static_cast<std::size_t>(visible.nEnd - visible.nFirst);
    const std::size_t nAround = std::max<std::size_t>(nVisible, static_cast<std::size_t>(m_grid.GetColumns()));
    m_cache.SetCapacity(nVisible + 2 * nAround);
    m_producer.Want(static_cast<std::size_t>(visible.nFirst), static_cast<std::size_t>(visible.nEnd), nAround);
    ThumbScrollBar bar = m_grid.ScrollBar();
    if (bar.bShow) {
        SCROLLINFO si{
            sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, bar.nMin, bar.nMax, static_cast<UINT>(bar.nPage), bar.nPos, 0};
        // Drawing the bar (the window's frame) takes longer than a repeating key leaves
        // between two presses: it is drawn a moment later, once for all the keys meanwhile.
        SetScrollInfo(m_hWnd, SB_VERT, &si, FALSE);
        if (!(GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VSCROLL)) ShowScrollBar(m_hWnd, SB_VERT, TRUE);
        if (!m_bScrollBarDue) m_bScrollBarDue = SetTimer(m_hWnd, kScrollBarTimer, kScrollBarDelayMs, nullptr) != 0;
    } else if (GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VSCROLL) {
        ShowScrollBar(m_hWnd, SB_VERT, FALSE);
    }
}

ThumbCellRects CThumbView::CellRects(std::size_t nIndex) const {
    return nIndex < static_cast<std::size_t>(m_grid.GetItemCount()) ? m_grid.CellRects(static_cast<int>(nIndex))
                                                                    : ThumbCellRects{};
}

PixelRect CThumbView::PictureRect(std::size_t nIndex) const {
    PixelRect rc = CellRects(nIndex).rcPicture;
    // The producer's own pixel size: refitting from the picture's HIMETRIC extent would
    // round a row or column away and squeeze the thumbnail.
    if (const CThumbResult* thumb = FindThumbnail(nIndex))
        FitPictureRect(rc, static_cast<int>(thumb->sizeThumb.cx), static_cast<int>(thumb->sizeThumb.cy));
    return rc;
}

const CThumbResult* CThumbView::FindThumbnail(std::size_t nIndex) const {
    const CThumbResult* thumb = m_cache.Find(nIndex);
    return thumb && thumb->pThumb ? thumb : nullptr;
}

void CThumbView::OnSize(UINT nType, int cx, int cy) {
    DefWindowProc(WM_SIZE, nType, MAKELPARAM(cx, cy));
    Layout();
    RepaintAll();
}

void CThumbView::OnPaint() {
    CPaintDC paint(m_hWnd);
    Draw(paint.Get());
}

LRESULT CThumbView::OnPrintClient(WPARAM wParam, LPARAM) {
    Draw(reinterpret_cast<HDC>(wParam));
    return 0;
}

void CThumbView::Draw(HDC hdc) {
    RECT rc = GetClientRect();
    if (m_pOwner && m_pOwner->GetPictureCount() == 0) {
        FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        std::string text = LoadResString(IDS_NO_PICTURES);
        CScopedSelect font(hdc, m_fontMessage.Get());
        SetBkMode(hdc, TRANSPARENT);
        DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &rc, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        m_bBackValid = false;
    } else if (HDC back = m_pOwner ? m_back.Cover(m_hWnd, rc.right, rc.bottom) : nullptr) {
        if (!m_bBackValid) {
            m_arrStale.assign(1, rc);
            m_bBackValid = true;
        }
        // Only what changed is drawn: a moved focus or a new thumbnail is a cell or two, a
        // scroll by a row the row that came into view.
        // The producer invalidated the window when it finished them: this paint shows them.
        m_cache.Adopt(m_producer, [this](std::size_t nIndex) { MarkStale(ItemRect(nIndex)); });
        for (const RECT& rcPart : m_arrStale) {
            RECT rcStale{};
            if (IntersectRect(&rcStale, &rcPart, &rc)) PaintItems(back, rcStale);
        }
        m_arrStale.clear();
        RECT rcPaint = rc;
        if (GetClipBox(hdc, &rcPaint) == ERROR || !IntersectRect(&rcPaint, &rcPaint, &rc)) rcPaint = rc;
        BitBlt(hdc, rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top, back,
               rcPaint.left, rcPaint.top, SRCCOPY);
    }
}

void CThumbView::PaintItems(HDC hdc, const RECT& rcPaint) {
    // An item reaching out of rcPaint is drawn only within it: outside, the back buffer
    // already shows it, and a caption drawn twice over itself would darken.
    const int nSaved = SaveDC(hdc);
    IntersectClipRect(hdc, rcPaint.left, rcPaint.top, rcPaint.right, rcPaint.bottom);
    PaintItemsClipped(hdc, rcPaint);
    RestoreDC(hdc, nSaved);
}

void CThumbView::PaintItemsClipped(HDC hdc, const RECT& rcPaint) {
    FillRect(hdc, &rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    CScopedSelect font(hdc, m_fontCaption.Get());
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    // A thumbnail a pixel bigger than its box would have two rows ANDed into one dark,
    // off-colour line by the default stretch mode; this one drops the row instead.
    SetStretchBltMode(hdc, COLORONCOLOR);
    // One memory DC shows every thumbnail of the paint in turn.
    std::optional<CMemoryDC> thumbs;
    const ThumbRange visible = m_grid.VisibleItems();
    const std::size_t nEnd = std::min(static_cast<std::size_t>(visible.nEnd), m_pOwner->GetPictureCount());
    for (auto i = static_cast<std::size_t>(visible.nFirst); i < nEnd; ++i) {
        const ThumbCellRects cell = m_grid.CellRects(static_cast<int>(i));
        const RECT rcItem = ItemRect(i);
        RECT rcShared{};
        if (!IntersectRect(&rcShared, &rcItem, &rcPaint)) continue;
        if (m_pOwner->IsPictureSelected(i)) {
            RECT rc = ToRect(cell.rcCell);
            InflateRect(&rc, m_metrics.nFrame * 2, m_metrics.nFrame * 2);
            DrawFrame(hdc, rc, m_penSelected.Get());
        } else {
            DrawFrame(hdc, ToRect(cell.rcCell), m_penNormal.Get());
        }
        if (const CThumbResult* thumb = FindThumbnail(i)) DrawThumbnail(hdc, *thumb, PictureRect(i), thumbs);
        const std::string_view caption = m_pOwner->GetPictureName(i);
        RECT rcCaption = ToRect(cell.rcCaption);
        DrawTextA(hdc, caption.data(), static_cast<int>(caption.size()), &rcCaption,
                  DT_CENTER | DT_WORDBREAK | DT_WORD_ELLIPSIS);
        if (i == m_nFocus && GetFocus() == m_hWnd) {
            // Around the cell, its caption and the selection's frame.
            RECT rcFocus = ToRect(cell.rcCell);
            rcFocus.bottom = cell.rcCaption.bottom;
            InflateRect(&rcFocus, m_nItemMargin - m_metrics.nFrame, m_nItemMargin - m_metrics.nFrame);
            DrawFocusRect(hdc, &rcFocus);
        }
    }
}

void CThumbView::DrawThumbnail(HDC hdc, const CThumbResult& thumb, const PixelRect& rc,
                               std::optional<CMemoryDC>& thumbs) const {
    // A bitmap thumbnail is copied straight from its bitmap: the picture's own Render makes
    // and drops a DC for every call, which in a full grid was most of a paint's time.
    short nType = PICTYPE_NONE;
    OLE_HANDLE hHandle = 0;
    if (SUCCEEDED(thumb.pThumb->get_Type(&nType)) && nType == PICTYPE_BITMAP &&
        SUCCEEDED(thumb.pThumb->get_Handle(&hHandle)) && hHandle) {
        const auto hBitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(hHandle));
        // The paint's memory DC shows one thumbnail after another and takes its own bitmap
        // back only when the paint ends: one select a thumbnail rather than two, each costly
        // enough under Wine to be a large share of a full grid's paint.
        const bool bShown =
            thumbs ? SelectObject(thumbs->Get(), hBitmap) != nullptr : static_cast<bool>(thumbs.emplace(hdc, hBitmap));
        if (bShown) {
            StretchBlt(hdc, rc.left, rc.top, rc.Width(), rc.Height(), thumbs->Get(), 0, 0,
                       static_cast<int>(thumb.sizeThumb.cx), static_cast<int>(thumb.sizeThumb.cy), SRCCOPY);
            return;
        }
    }
    OLE_XSIZE_HIMETRIC cx = 0;
    OLE_YSIZE_HIMETRIC cy = 0;
    if (PictureExtent(thumb.pThumb.Get(), cx, cy))
        thumb.pThumb->Render(hdc, rc.left, rc.top, rc.Width(), rc.Height(), 0, cy, cx, -cy, nullptr);
}

void CThumbView::Scroll(ThumbScrollAction action) {
    if (action == ThumbScrollAction::Other) return;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(m_hWnd, SB_VERT, &si);
    ThumbScrollState state{si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos, si.nTrackPos};
    int nOld = si.nPos;
    si.fMask = SIF_POS;
    si.nPos = RequestedScrollPos(action, state, m_metrics.nLineStep);
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

LRESULT CThumbView::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam != kScrollBarTimer) return DefWindowProc(WM_TIMER, wParam, lParam);
    KillTimer(m_hWnd, kScrollBarTimer);
    m_bScrollBarDue = false;
    // The frame alone, drawn now: a region beside the client area reaches only the bar, so
    // the grid's own paint is not made to wait for it as well.
    const RECT rc = GetClientRect();
    CScopedRegion bar(CreateRectRgn(rc.right, rc.top, rc.right + GetSystemMetrics(SM_CXVSCROLL), rc.bottom));
    RedrawWindow(m_hWnd, nullptr, bar.Get(), RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE | RDW_NOCHILDREN | RDW_UPDATENOW);
    return 0;
}

LRESULT CThumbView::OnScrolled(WPARAM, LPARAM lParam) {
    ApplyScrollOffset(m_nScrollOffset + static_cast<int>(lParam));
    return 1;
}

void CThumbView::ApplyScrollOffset(int nOffset) {
    const int nOld = m_nScrollOffset;
    m_nScrollOffset = nOffset;
    Layout();
    ScrollContent(m_nScrollOffset - nOld);
}

void CThumbView::ScrollContent(int nDy) {
    if (nDy == 0) return;
    const RECT rc = GetClientRect();
    HDC back = m_bBackValid ? m_back.Cover(m_hWnd, rc.right, rc.bottom) : nullptr;
    if (!back || std::abs(nDy) >= rc.bottom) {
        RepaintAll();
        return;
    }
    if (nDy < 0)
        BitBlt(back, 0, 0, rc.right, rc.bottom + nDy, back, 0, -nDy, SRCCOPY);
    else
        BitBlt(back, 0, nDy, rc.right, rc.bottom - nDy, back, 0, 0, SRCCOPY);
    for (RECT& rcPart : m_arrStale) OffsetRect(&rcPart, 0, nDy);
    MarkStale(nDy < 0 ? RECT{0, rc.bottom + nDy, rc.right, rc.bottom} : RECT{0, 0, rc.right, nDy});
    // The screen takes the whole moved picture from the back buffer.
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CThumbView::Repaint(const RECT& rc) {
    MarkStale(rc);
    InvalidateRect(m_hWnd, &rc, FALSE);
}

void CThumbView::MarkStale(const RECT& rc) {
    // Apart: the old focus and a row come into view are two items' height apart, and the
    // rectangle around both would be half the grid. Many parts make one.
    if (m_arrStale.size() < kMaxStaleParts) {
        m_arrStale.push_back(rc);
    } else {
        RECT rcAll = rc;
        for (const RECT& rcPart : m_arrStale) UnionRect(&rcAll, &rcAll, &rcPart);
        m_arrStale.assign(1, rcAll);
    }
}

void CThumbView::RepaintAll() {
    m_bBackValid = false;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

std::optional<std::size_t> CThumbView::ItemAt(POINT pt) const {
    if (!m_pOwner) return std::nullopt;
    const std::optional<int> hit = m_grid.HitTest(PixelPoint{pt.x, pt.y});
    if (!hit || static_cast<std::size_t>(*hit) >= m_pOwner->GetPictureCount()) return std::nullopt;
    return static_cast<std::size_t>(*hit);
}

std::optional<std::size_t> CThumbView::HitTest(LPARAM lParam) const {
    return ItemAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

void CThumbView::ToggleItem(std::size_t nIndex) {
    if (nIndex >= GetPictureCount()) return;
    m_pOwner->OnPictureClicked(nIndex);
    RepaintAll();
    NotifyItem(m_pOwner->IsPictureSelected(nIndex) ? EVENT_OBJECT_SELECTIONADD : EVENT_OBJECT_SELECTIONREMOVE, nIndex);
}

void CThumbView::NotifySelectionChanged() {
    if (m_hWnd) NotifyWinEvent(EVENT_OBJECT_SELECTIONWITHIN, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

void CThumbView::NotifyItem(DWORD dwEvent, std::size_t nIndex) const {
    NotifyWinEvent(dwEvent, m_hWnd, OBJID_CLIENT, static_cast<LONG>(nIndex + 1));
}

LRESULT CThumbView::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
    DefWindowProc(WM_LBUTTONUP, wParam, lParam);
    if (const std::optional<std::size_t> hit = HitTest(lParam)) {
        m_nFocus = *hit;
        ToggleItem(*hit);
    }
    SetFocus(m_hWnd);
    return 0;
}

LRESULT CThumbView::OnLButtonDblClk(WPARAM wParam, LPARAM lParam) {
    if (const std::optional<std::size_t> hit = HitTest(lParam)) m_pOwner->OnPictureDoubleClicked(*hit);
    return DefWindowProc(WM_LBUTTONDBLCLK, wParam, lParam);
}

LRESULT CThumbView::OnNewList(WPARAM, LPARAM) {
    SetFocus(m_hWnd);
    if (!m_pOwner) return 0;
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    ForgetPictures();
    m_nFocus = 0;
    m_pOwner->OnPicturesShown();
    const PixelSize szBox = m_metrics.PictureBox();
    if (m_pOwner->GetPictureCount() > 0)
        m_producer.Start(m_pOwner->GetPictureNames(), m_hWnd, SIZE{szBox.cx, szBox.cy});
    m_nScrollOffset = 0;
    Layout();
    RepaintAll();
    NotifyWinEvent(EVENT_OBJECT_REORDER, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
    SetCursor(previous);
    return 1;
}

LRESULT CThumbView::OnGetDlgCode(WPARAM, LPARAM lParam) {
    // Enter opens the focused picture rather than pressing the panel's default button.
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    const bool bEnter = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
    return DLGC_WANTARROWS | DLGC_WANTCHARS | (bEnter ? DLGC_WANTMESSAGE : 0);
}

LRESULT CThumbView::OnKeyDown(WPARAM wParam, LPARAM lParam) {
    const std::size_t nCount = m_pOwner ? m_pOwner->GetPictureCount() : 0;
    if (nCount == 0) return DefWindowProc(WM_KEYDOWN, wParam, lParam);
    std::optional<ThumbFocusKey> key;
    switch (wParam) {
    case VK_LEFT: key = ThumbFocusKey::Left; break;
    case VK_RIGHT: key = ThumbFocusKey::Right; break;
    case VK_UP: key = ThumbFocusKey::Up; break;
    case VK_DOWN: key = ThumbFocusKey::Down; break;
    case VK_HOME: key = ThumbFocusKey::Home; break;
    case VK_END: key = ThumbFocusKey::End; break;
    case VK_PRIOR: key = ThumbFocusKey::PageUp; break;
    case VK_NEXT: key = ThumbFocusKey::PageDown; break;
    case VK_SPACE: ToggleItem(m_nFocus); return 0;
    case VK_RETURN: m_pOwner->OnPictureDoubleClicked(m_nFocus); return 0;
    case 'A':
        if (GetKeyState(VK_CONTROL) < 0) m_pOwner->OnAllPicturesChosen();
        return 0;
    default: return DefWindowProc(WM_KEYDOWN, wParam, lParam);
    }
    RECT rc = GetClientRect();
    const int nPageRows = std::max(1, static_cast<int>(rc.bottom / m_metrics.nRowPitch));
    const int nCountInt = static_cast<int>(std::min<std::size_t>(nCount, INT_MAX));
    FocusItem(static_cast<std::size_t>(
        MoveThumbFocus(*key, static_cast<int>(m_nFocus), nCountInt, m_grid.GetColumns(), nPageRows)));
    return 0;
}

void CThumbView::FocusItem(std::size_t nIndex) {
    if (nIndex >= GetPictureCount()) return;
    const std::size_t nOld = m_nFocus;
    m_nFocus = nIndex;
    const ThumbCellRects cell = CellRects(nIndex);
    RECT rc = GetClientRect();
    // With the margin above its row: the first row comes back to the very top.
    const int nDelta = ScrollToShow(cell.rcCell.top - m_metrics.nFirstRow, cell.rcCaption.bottom, rc.bottom);
    if (nDelta != 0) ApplyScrollOffset(m_nScrollOffset + nDelta);
    // The focus rectangle moves.
    RepaintItem(nOld);
    RepaintItem(nIndex);
    if (GetFocus() == m_hWnd) NotifyItem(EVENT_OBJECT_FOCUS, nIndex);
}

RECT CThumbView::ItemRect(std::size_t nIndex) const {
    const ThumbCellRects cell = CellRects(nIndex);
    RECT rc{cell.rcCell.left, cell.rcCell.top, cell.rcCell.right, cell.rcCaption.bottom};
    InflateRect(&rc, m_nItemMargin, m_nItemMargin);
    return rc;
}

void CThumbView::RepaintItem(std::size_t nIndex) { Repaint(ItemRect(nIndex)); }

LRESULT CThumbView::OnFocusChange(WPARAM, LPARAM) {
    // Only the focused picture shows whether the grid has the focus.
    RepaintItem(m_nFocus);
    // A reader follows the focus into the grid to its focused picture.
    if (GetFocus() == m_hWnd && m_nFocus < GetPictureCount()) NotifyItem(EVENT_OBJECT_FOCUS, m_nFocus);
    return 0;
}

LRESULT CThumbView::OnGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return DefWindowProc(WM_GETOBJECT, wParam, lParam);
    if (!m_pAccessible) m_pAccessible.Attach(new CThumbAccessible(this));
    return LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(m_pAccessible.Get()));
}
