#include "ui/thumb_grid_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <tuple>

#include "pixel_geometry_print.h"

namespace {

// ---------------------------------------------------------------------------------------
// Columns and rows.

struct ColumnCase {
    int nWidth;
    int nColumns;
};

class ThumbGridColumns : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(ThumbGridColumns, ColumnsAreTheWidthOver117AndAtLeastOne) {
    const CThumbGridLayout grid({GetParam().nWidth, 400}, 10, 0);
    EXPECT_EQ(grid.GetColumns(), GetParam().nColumns);
}

INSTANTIATE_TEST_SUITE_P(Widths, ThumbGridColumns,
                         ::testing::Values(ColumnCase{351, 3}, ColumnCase{350, 2}, ColumnCase{116, 1},
                                           ColumnCase{117, 1}, ColumnCase{234, 2}, ColumnCase{0, 1}, ColumnCase{-50, 1},
                                           ColumnCase{4000, 34}, ColumnCase{INT_MAX, INT_MAX / 117}));

TEST(ThumbGrid, SevenItemsInThreeColumnsMakeThreeRows) {
    const CThumbGridLayout grid({351, 400}, 7, 0);
    EXPECT_EQ(grid.GetRows(), 3);
    EXPECT_EQ(grid.GetContentHeight(), 447);  // 6 + 3 × 147
}

TEST(ThumbGrid, ScrollBarShowsWhenTheContentIsTallerThanTheClient) {
    const ThumbScrollBar bar = CThumbGridLayout({351, 400}, 7, 0).ScrollBar();
    EXPECT_TRUE(bar.bShow);
    EXPECT_EQ(bar.nMin, 0);
    EXPECT_EQ(bar.nMax, 447);
    EXPECT_EQ(bar.nPage, 90);
    EXPECT_EQ(bar.nPos, 0);

    EXPECT_FALSE(CThumbGridLayout({351, 500}, 7, 0).ScrollBar().bShow);
    EXPECT_FALSE(CThumbGridLayout({351, 447}, 7, 0).ScrollBar().bShow);  // exactly fits
}

TEST(ThumbGrid, EmptyListHasOnlyTheTopMargin) {
    const CThumbGridLayout grid({351, 400}, 0, -100);
    EXPECT_EQ(grid.GetRows(), 0);
    EXPECT_EQ(grid.GetContentHeight(), 6);
    EXPECT_EQ(grid.GetScrollOffset(), 0);
    EXPECT_EQ(grid.VisibleItems(), (ThumbRange{0, 0}));
    EXPECT_FALSE(grid.HitTest({20, 20}));
    // A client lower than the margin: the page shrinks to the content.
    EXPECT_EQ(CThumbGridLayout({351, 3}, 0, 0).ScrollBar().nPage, 6);
}

// ---------------------------------------------------------------------------------------
// Cells.

TEST(ThumbGrid, CellsFollowThePitchFromTheFirstColumnAndRow) {
    const CThumbGridLayout grid({351, 400}, 7, 0);
    const ThumbCellRects first = grid.CellRects(0);
    EXPECT_EQ(first.rcCell, (PixelRect{15, 6, 117, 108}));
    EXPECT_EQ(first.rcPicture, (PixelRect{16, 7, 116, 107}));
    EXPECT_EQ(first.rcCaption, (PixelRect{30, 113, 117, 128}));
    EXPECT_TRUE(first.bVisible);

    const ThumbCellRects fifth = grid.CellRects(4);  // second row, second column
    EXPECT_EQ(fifth.rcCell, (PixelRect{132, 153, 234, 255}));
    EXPECT_EQ(fifth.rcCaption, (PixelRect{147, 260, 234, 275}));

    const ThumbCellRects seventh = grid.CellRects(6);  // alone on the third row
    EXPECT_EQ(seventh.rcCell, (PixelRect{15, 300, 117, 402}));
}

TEST(ThumbGrid, IndexOutsideTheListGivesNothing) {
    const CThumbGridLayout grid({351, 400}, 7, 0);
    for (int n : {-1, 7, INT_MAX, INT_MIN}) {
        const ThumbCellRects r = grid.CellRects(n);
        EXPECT_TRUE(r.rcCell.IsEmpty());
        EXPECT_FALSE(r.bVisible);
    }
}

TEST(ThumbGrid, ScrollOffsetMovesEveryCellUp) {
    const CThumbGridLayout grid({351, 400}, 7, -30);
    EXPECT_EQ(grid.GetScrollOffset(), -30);
    EXPECT_EQ(grid.CellRects(0).rcCell, (PixelRect{15, -24, 117, 78}));
    EXPECT_EQ(grid.ScrollBar().nPos, 30);
}

// A cell counts as visible while its caption's bottom is at 0 or more and its top is not
// below the client's bottom.
TEST(ThumbGrid, VisibilityEdgesAreInclusive) {
    // Row 0's caption bottom sits at offset + 128.
    EXPECT_TRUE(CThumbGridLayout({351, 400}, 7, -128).CellRects(0).bVisible);
    EXPECT_FALSE(CThumbGridLayout({351, 400}, 7, -129).CellRects(0).bVisible);
    // Row 2 (item 6) starts at 300.
    EXPECT_TRUE(CThumbGridLayout({351, 300}, 7, 0).CellRects(6).bVisible);
    EXPECT_FALSE(CThumbGridLayout({351, 299}, 7, 0).CellRects(6).bVisible);
}

TEST(ThumbGrid, OffsetStaysWithinTheScrollBarsReach) {
    // 447 pixels of content, page 90: the system allows positions 0..358.
    EXPECT_EQ(CThumbGridLayout({351, 400}, 7, -1000).GetScrollOffset(), -358);
    EXPECT_EQ(CThumbGridLayout({351, 400}, 7, 25).GetScrollOffset(), 0);
    EXPECT_EQ(CThumbGridLayout({351, 400}, 7, -1000).GetMaxScrollPos(), 358);
}

TEST(ThumbGrid, ContentThatFitsAgainReturnsToTheTop) {
    // Scrolled down in a low window, then the window grows tall enough for everything.
    const CThumbGridLayout low({351, 200}, 7, -200);
    ASSERT_EQ(low.GetScrollOffset(), -200);
    const CThumbGridLayout tall({351, 600}, 7, low.GetScrollOffset());
    EXPECT_EQ(tall.GetScrollOffset(), 0);
    EXPECT_EQ(tall.CellRects(0).rcCell.top, 6);
}

// ---------------------------------------------------------------------------------------
// Visibility and hit-testing against the rectangles themselves, item by item.

using GridCase = std::tuple<int, int, int, int>;  // width, height, items, offset

class ThumbGridAgainstRects : public ::testing::TestWithParam<GridCase> {
protected:
    CThumbGridLayout Grid() const {
        const auto [cx, cy, n, off] = GetParam();
        return CThumbGridLayout({cx, cy}, n, off);
    }
};

TEST_P(ThumbGridAgainstRects, VisibleItemsAreExactlyTheRunMarkedVisible) {
    const CThumbGridLayout grid = Grid();
    const ThumbRange range = grid.VisibleItems();
    for (int i = 0; i < grid.GetItemCount(); ++i)
        EXPECT_EQ(grid.CellRects(i).bVisible, i >= range.nFirst && i < range.nEnd) << "item " << i;
    EXPECT_LE(range.nFirst, range.nEnd);
}

TEST_P(ThumbGridAgainstRects, HitTestFindsTheFirstVisibleItemHoldingThePoint) {
    const CThumbGridLayout grid = Grid();
    const auto [cx, cy, n, off] = GetParam();
    for (int y = -20; y < cy + 20; y += 3)
        for (int x = -5; x < cx + 5; x += 2) {
            std::optional<int> expected;
            for (int i = 0; i < n && !expected; ++i) {
                const ThumbCellRects r = grid.CellRects(i);
                if (r.bVisible && (r.rcCell.Contains({x, y}) || r.rcCaption.Contains({x, y}))) expected = i;
            }
            ASSERT_EQ(grid.HitTest({x, y}), expected) << "at (" << x << ", " << y << ")";
        }
}

INSTANTIATE_TEST_SUITE_P(Grids, ThumbGridAgainstRects,
                         ::testing::Values(GridCase{351, 400, 7, 0}, GridCase{351, 400, 7, -100},
                                           GridCase{351, 400, 7, -358}, GridCase{116, 300, 5, -147},
                                           GridCase{600, 250, 40, -500}, GridCase{500, 90, 1, 0}, GridCase{0, 0, 3, 0},
                                           GridCase{352, 1000, 0, 0}));

TEST(ThumbGrid, PointsBetweenCellsAndBesideCaptionsHitNothing) {
    const CThumbGridLayout grid({351, 400}, 7, 0);
    EXPECT_EQ(grid.HitTest({15, 6}), 0);     // the cell's corner
    EXPECT_EQ(grid.HitTest({116, 107}), 0);  // its last pixel
    EXPECT_EQ(grid.HitTest({30, 113}), 0);   // the caption
    EXPECT_FALSE(grid.HitTest({117, 50}));   // the gap between columns
    EXPECT_FALSE(grid.HitTest({20, 110}));   // between cell and caption
    EXPECT_FALSE(grid.HitTest({20, 120}));   // left of the caption, under the cell
    EXPECT_FALSE(grid.HitTest({360, 20}));   // right of the last column
    EXPECT_FALSE(grid.HitTest({132, 300}));  // where an eighth item would be
}

TEST(ThumbGrid, HugeListsStayInRange) {
    const int nCount = 100'000'000;  // one column: rows far beyond int's pixel range
    const CThumbGridLayout grid({116, 768}, nCount, INT_MIN);
    EXPECT_EQ(grid.GetContentHeight(), INT_MAX);
    EXPECT_EQ(grid.ScrollBar().nMax, INT_MAX);
    const ThumbCellRects last = grid.CellRects(nCount - 1);
    EXPECT_GE(last.rcCell.Height(), 0);
    const ThumbRange range = grid.VisibleItems();
    EXPECT_LE(range.nEnd - range.nFirst, 7);
    EXPECT_TRUE(grid.CellRects(range.nFirst).bVisible);
    EXPECT_FALSE(grid.CellRects(range.nFirst - 1).bVisible);
    EXPECT_FALSE(grid.CellRects(range.nEnd).bVisible);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Other dpi.

TEST(ThumbGrid, MetricsScaleWithTheDpiAndTheCellsFollowThem) {
    const ThumbGridMetrics m = ThumbGridMetrics::At(CDpiScale(144));
    EXPECT_EQ(m.nCellSize, 153);
    EXPECT_EQ(m.nFrame, 2);
    EXPECT_EQ(m.nColumnPitch, 176);
    EXPECT_EQ(m.nRowPitch, 221);
    EXPECT_EQ(m.nLineStep, 45);
    EXPECT_EQ(m.PictureBox(), (PixelSize{149, 149})) << "what the thumbnails are made for";
    EXPECT_EQ(ThumbGridMetrics::At(CDpiScale(96)).PictureBox(), (PixelSize{100, 100}));

    const CThumbGridLayout grid({3 * 176, 1000}, 7, 0, m);
    EXPECT_EQ(grid.GetColumns(), 3);
    EXPECT_EQ(grid.GetContentHeight(), 9 + 3 * 221);
    const ThumbCellRects r = grid.CellRects(4);
    EXPECT_EQ(r.rcCell, (PixelRect{23 + 176, 9 + 221, 23 + 176 + 153, 9 + 221 + 153}));
    EXPECT_EQ(r.rcPicture, r.rcCell.Deflated(2, 2));
    EXPECT_EQ(r.rcCaption.top - r.rcCell.top, 161);  // 107 × 1.5 = 160.5
    EXPECT_EQ(grid.HitTest({23 + 176 + 1, 9 + 221 + 1}), 4);
}
