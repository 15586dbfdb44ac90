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

ThumbGridMetrics ThumbGridMetrics::At(const CDpiScale& scale) {
    const ThumbGridMetrics base;
    ThumbGridMetrics m;
    m.nCellSize = scale.Scale(base.nCellSize);
    m.nFrame = std::max(1, scale.Scale(base.nFrame));
    m.nColumnPitch = scale.Scale(base.nColumnPitch);
    m.nFirstColumn = scale.Scale(base.nFirstColumn);
    m.nRowPitch = scale.Scale(base.nRowPitch);
    m.nFirstRow = scale.Scale(base.nFirstRow);
    m.nCaptionTop = scale.Scale(base.nCaptionTop);
    m.nCaptionBottom = scale.Scale(base.nCaptionBottom);
    m.nCaptionIndent = scale.Scale(base.nCaptionIndent);
    m.nMaxPage = scale.Scale(base.nMaxPage);
    m.nLineStep = scale.Scale(base.nLineStep);
    return m;
}

CThumbGridLayout::CThumbGridLayout(PixelSize szClient, int nItemCount, int nScrollOffset,
                                   const ThumbGridMetrics& metrics)
    : m_metrics(metrics), m_nClientHeight(std::max(0, szClient.cy)), m_nCount(std::max(0, nItemCount)) {
    // Pitches below a pixel would divide by zero: the figures come from a scale or a test.
    m_metrics.nColumnPitch = std::max(1, m_metrics.nColumnPitch);
    m_metrics.nRowPitch = std::max(1, m_metrics.nRowPitch);
    m_nColumns = std::max(1, szClient.cx / m_metrics.nColumnPitch);
    m_nRows = m_nCount / m_nColumns + (m_nCount % m_nColumns != 0 ? 1 : 0);
    m_nContentHeight = Saturate(m_metrics.nFirstRow + static_cast<long long>(m_metrics.nRowPitch) * m_nRows);
    m_nOffset = m_nContentHeight > m_nClientHeight ? std::clamp(nScrollOffset, -GetMaxScrollPos(), 0) : 0;
}

long long CThumbGridLayout::RowTop(long long nRow) const {
    return m_nOffset + m_metrics.nFirstRow + m_metrics.nRowPitch * nRow;
}

ThumbCellRects CThumbGridLayout::CellRects(int nIndex) const {
    ThumbCellRects r;
    if (nIndex < 0 || nIndex >= m_nCount) return r;
    const ThumbGridMetrics& m = m_metrics;
    const long long y = RowTop(nIndex / m_nColumns);
    const int x = m.nFirstColumn + m.nColumnPitch * (nIndex % m_nColumns);
    r.rcCell = {x, Saturate(y), x + m.nCellSize, Saturate(y + m.nCellSize)};
    r.rcPicture = {x + m.nFrame, Saturate(y + m.nFrame), x + m.nCellSize - m.nFrame,
                   Saturate(y + m.nCellSize - m.nFrame)};
    r.rcCaption = {x + m.nCaptionIndent, Saturate(y + m.nCaptionTop), x + m.nCellSize, Saturate(y + m.nCaptionBottom)};
    r.bVisible = y + m.nCaptionBottom >= 0 && y <= m_nClientHeight;
    return r;
}

ThumbRange CThumbGridLayout::VisibleItems() const {
    if (m_nCount == 0) return {};
    // Rows whose caption bottom reaches 0 or below, and whose top is at most the height.
    const long long nBase = static_cast<long long>(m_nOffset) + m_metrics.nFirstRow;
    const long long nFirstRow = std::max(0LL, -FloorDiv(nBase + m_metrics.nCaptionBottom, m_metrics.nRowPitch));
    const long long nLastRow = std::min<long long>(m_nRows - 1, FloorDiv(m_nClientHeight - nBase, m_metrics.nRowPitch));
    if (nLastRow < nFirstRow) return {};
    const long long nFirst = nFirstRow * m_nColumns;
    const long long nEnd = std::min<long long>(m_nCount, (nLastRow + 1) * m_nColumns);
    return {static_cast<int>(nFirst), static_cast<int>(nEnd)};
}

std::optional<int> CThumbGridLayout::HitTest(PixelPoint pt) const {
    // Cell and caption lie within one column pitch and one row pitch, so only one item can
    // hold the point: the one of that column and row.
    const long long nColumn = FloorDiv(static_cast<long long>(pt.x) - m_metrics.nFirstColumn, m_metrics.nColumnPitch);
    const long long nRow =
        FloorDiv(static_cast<long long>(pt.y) - m_nOffset - m_metrics.nFirstRow, m_metrics.nRowPitch);
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
    bar.nPage = std::min(m_nContentHeight, m_metrics.nMaxPage);
    bar.nPos = -m_nOffset;
    return bar;
}

int CThumbGridLayout::GetMaxScrollPos() const {
    const int nPage = std::min(m_nContentHeight, m_metrics.nMaxPage);
    return std::max(0, m_nContentHeight - std::max(nPage - 1, 0));
}
