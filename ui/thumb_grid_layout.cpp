#include "ui/thumb_grid_layout.h"

#include <algorithm>
#include <climits>

namespace {

// Rows far down a list of many thousand pictures lie beyond int; they are never visible,
// so cutting their coordinates to int's range loses nothing.
int Saturate(long long n) { return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX)); }

// Division rounding toward minus infinity, for rows above the window.
long long FloorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

CThumbGridLayout::CThumbGridLayout(PixelSize szClient, int nItemCount, int nScrollOffset)
    : m_nClientHeight(std::max(0, szClient.cy)), m_nCount(std::max(0, nItemCount)) {
    m_nColumns = std::max(1, szClient.cx / kColumnPitch);
    m_nRows = m_nCount / m_nColumns + (m_nCount % m_nColumns != 0 ? 1 : 0);
    m_nContentHeight = Saturate(kFirstRow + static_cast<long long>(kRowPitch) * m_nRows);
    m_nOffset = m_nContentHeight > m_nClientHeight ? std::clamp(nScrollOffset, -GetMaxScrollPos(), 0) : 0;
}

long long CThumbGridLayout::RowTop(long long nRow) const { return m_nOffset + kFirstRow + kRowPitch * nRow; }

ThumbCellRects CThumbGridLayout::CellRects(int nIndex) const {
    ThumbCellRects r;
    if (nIndex < 0 || nIndex >= m_nCount) return r;
    const long long y = RowTop(nIndex / m_nColumns);
    const int x = kFirstColumn + kColumnPitch * (nIndex % m_nColumns);
    r.rcCell = {x, Saturate(y), x + kCellSize, Saturate(y + kCellSize)};
    r.rcPicture = {x + 1, Saturate(y + 1), x + kCellSize - 1, Saturate(y + kCellSize - 1)};
    r.rcCaption = {x + kCaptionIndent, Saturate(y + kCaptionTop), x + kCellSize, Saturate(y + kCaptionBottom)};
    r.bVisible = y + kCaptionBottom >= 0 && y <= m_nClientHeight;
    return r;
}

ThumbRange CThumbGridLayout::VisibleItems() const {
    if (m_nCount == 0) return {};
    // Rows whose caption bottom reaches 0 or below, and whose top is at most the height.
    const long long nBase = static_cast<long long>(m_nOffset) + kFirstRow;
    const long long nFirstRow = std::max(0LL, -FloorDiv(nBase + kCaptionBottom, kRowPitch));
    const long long nLastRow = std::min<long long>(m_nRows - 1, FloorDiv(m_nClientHeight - nBase, kRowPitch));
    if (nLastRow < nFirstRow) return {};
    const long long nFirst = nFirstRow * m_nColumns;
    const long long nEnd = std::min<long long>(m_nCount, (nLastRow + 1) * m_nColumns);
    return {static_cast<int>(nFirst), static_cast<int>(nEnd)};
}

std::optional<int> CThumbGridLayout::HitTest(PixelPoint pt) const {
    // Cell and caption lie within one column pitch and one row pitch, so only one item can
    // hold the point: the one of that column and row.
    const long long nColumn = FloorDiv(static_cast<long long>(pt.x) - kFirstColumn, kColumnPitch);
    const long long nRow = FloorDiv(static_cast<long long>(pt.y) - m_nOffset - kFirstRow, kRowPitch);
    if (nColumn < 0 || nColumn >= m_nColumns || nRow < 0 || nRow >= m_nRows) return std::nullopt;
    const long long nIndex = nRow * m_nColumns + nColumn;
    if (nIndex >= m_nCount) return std::nullopt;
    const ThumbCellRects r = CellRects(static_cast<int>(nIndex));
    if (r.bVisible && (r.rcCell.Contains(pt) || r.rcCaption.Contains(pt))) return static_cast<int>(nIndex);
    return std::nullopt;
}

ThumbScrollBar CThumbGridLayout::ScrollBar() const {
    ThumbScrollBar bar;
    bar.bShow = m_nContentHeight > m_nClientHeight;
    bar.nMax = m_nContentHeight;
    bar.nPage = std::min(m_nContentHeight, kMaxPage);
    bar.nPos = -m_nOffset;
    return bar;
}

int CThumbGridLayout::GetMaxScrollPos() const {
    const int nPage = std::min(m_nContentHeight, kMaxPage);
    return std::max(0, m_nContentHeight - std::max(nPage - 1, 0));
}
