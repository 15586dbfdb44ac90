// Layout of the thumbnail grid (CThumbView): cells, picture boxes and captions of the
// items for a client size and scroll offset, the scroll bar's figures, visibility and
// hit-testing, all computed from an item's index, at the dpi the grid draws at.
#pragma once
#include <optional>

#include "base/dpi_scale.h"
#include "base/geometry.h"

struct ThumbCellRects {
    PixelRect rcCell;     // 102 by 102 at 96 dpi
    PixelRect rcPicture;  // the cell shrunk by its frame; FitPictureRect narrows it to a thumbnail
    PixelRect rcCaption;  // under the cell, 15 pixels (96 dpi) in from its left
    bool bVisible = false;
};

// SetScrollInfo's figures: range 0..nMax, page, position.
struct ThumbScrollBar {
    bool bShow = false;
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
};

// Items [nFirst, nEnd) in list order.
struct ThumbRange {
    int nFirst = 0;
    int nEnd = 0;
    friend constexpr bool operator==(const ThumbRange&, const ThumbRange&) = default;
};

// The grid's figures in pixels at one dpi; the defaults are those at 96 dpi.
struct ThumbGridMetrics {
    int nCellSize = 102;
    int nFrame = 1;  // the cell's frame, inside the cell; the picture box lies within it
    int nColumnPitch = 117;
    int nFirstColumn = 15;
    int nRowPitch = 147;
    int nFirstRow = 6;
    int nCaptionTop = 107;     // from the cell's top
    int nCaptionBottom = 122;  // from the cell's top
    int nCaptionIndent = 15;
    int nMaxPage = 90;
    int nLineStep = 30;  // a scroll bar's line; a wheel notch is one at the usual setting

    static ThumbGridMetrics At(const CDpiScale& scale);
    // The box a thumbnail is made for: the cell inside its frame.
    PixelSize PictureBox() const { return {nCellSize - 2 * nFrame, nCellSize - 2 * nFrame}; }
};

class CThumbGridLayout {
public:
    // nScrollOffset is m_nScrollOffset (0 or negative); the layout keeps it where the scroll
    // bar can reach: within the bar's range, and 0 when everything fits and the bar is
    // hidden, so that no rows stay shifted out of a window that no longer scrolls.
    CThumbGridLayout(PixelSize szClient, int nItemCount, int nScrollOffset, const ThumbGridMetrics& metrics = {});

    int GetColumns() const { return m_nColumns; }
    int GetRows() const { return m_nRows; }
    int GetItemCount() const { return m_nCount; }
    int GetContentHeight() const { return m_nContentHeight; }
    // The offset to store back into m_nScrollOffset.
    int GetScrollOffset() const { return m_nOffset; }

    // For 0 <= nIndex < item count; anything else gives empty, invisible rectangles.
    ThumbCellRects CellRects(int nIndex) const;
    // The contiguous run of visible items (the caption's bottom at 0 or below, the cell's
    // top not below the client's bottom), empty when none is.
    ThumbRange VisibleItems() const;
    // The visible item whose cell or caption holds the point.
    std::optional<int> HitTest(PixelPoint pt) const;

    ThumbScrollBar ScrollBar() const;
    // The positions the system allows for the scroll bar: 0..max - (page - 1).
    int GetMaxScrollPos() const;

private:
    long long RowTop(long long nRow) const;

    ThumbGridMetrics m_metrics;
    int m_nClientHeight = 0;
    int m_nCount = 0;
    int m_nColumns = 1;
    int m_nRows = 0;
    int m_nContentHeight = 0;
    int m_nOffset = 0;
};
