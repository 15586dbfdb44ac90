#include "hosted_panel_fixture.h"

#include "framework/text.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The grid of a hosted panel, clicked and scrolled with the messages the mouse sends.
class ThumbViewTest : public PanelTest {
protected:
    CThumbView& View() { return Panel().GetThumbView(); }
    void ResizeView(int width, int height) { MoveWindow(View().m_hWnd, 200, 50, width, height, TRUE); }
    void ClickAt(POINT pt, UINT message = WM_LBUTTONUP) {
        SendMessageA(View().m_hWnd, message, 0, MAKELPARAM(pt.x, pt.y));
    }
    static POINT CentreOf(const PixelRect& rc) { return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }
    ThumbCellRects Cell(std::size_t i) { return View().CellRects(i); }
    int ScrollPos() { return GetScrollPos(View().m_hWnd, SB_VERT); }
};

TEST_F(ThumbViewTest, ClicksOnCellsAndCaptionsToggleTheSelection) {
    CScratchFolder folder;
    folder.Fill("first.jpg", 2048);
    folder.Fill("second.gif", 1024);
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(false);
    ThumbItem& first = *Panel().GetItems()[0];
    ThumbItem& second = *Panel().GetItems()[1];
    EXPECT_EQ(Cell(0).rcCell.Width(), 102);

    ClickAt(CentreOf(Cell(0).rcCell));
    EXPECT_TRUE(first.bSelected);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), first.nFileSize / 1024.0);
    ClickAt(CentreOf(Cell(1).rcCaption));
    EXPECT_TRUE(second.bSelected);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 3.0);

    ClickAt(CentreOf(Cell(0).rcCell));
    EXPECT_FALSE(first.bSelected);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW)) << "the other picture is still selected";
    ClickAt(CentreOf(Cell(1).rcCell));
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 0.0);

    // Between two cells: nothing changes, the grid takes the focus.
    ClickAt(POINT{Cell(0).rcCell.right + 7, Cell(0).rcCell.top + 50});
    EXPECT_FALSE(first.bSelected);
    EXPECT_FALSE(second.bSelected);
    EXPECT_EQ(GetFocus(), View().m_hWnd);

    // A double click's two releases toggle twice: the selection stays as it was.
    ClickAt(CentreOf(Cell(0).rcCell));
    ClickAt(CentreOf(Cell(0).rcCell));
    EXPECT_FALSE(first.bSelected);
}

TEST_F(ThumbViewTest, ColumnsFollowTheWidthAndTheScrollBarTheHeight) {
    CScratchFolder folder;
    for (int i = 0; i < 7; ++i) folder.Fill("p" + std::to_string(i) + ".jpg", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    // The scroll bar takes part of the width when it shows: size the client, not the window.
    auto resizeClient = [&](int width, int height) {
        ResizeView(width, height);
        RECT rc{};
        GetClientRect(View().m_hWnd, &rc);
        ResizeView(width + (width - rc.right), height);
        View().Layout();
    };
    resizeClient(351, 500);
    EXPECT_EQ(Cell(2).rcCell.left, 15 + 2 * 117);
    EXPECT_EQ(Cell(3).rcCell.left, 15) << "a 351-pixel client holds three columns";
    EXPECT_EQ(View().GetContentHeight(), 447);
    EXPECT_FALSE(GetWindowLongA(View().m_hWnd, GWL_STYLE) & WS_VSCROLL) << "447 fits in 500";

    resizeClient(351, 400);
    EXPECT_TRUE(GetWindowLongA(View().m_hWnd, GWL_STYLE) & WS_VSCROLL);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(View().m_hWnd, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 447);
    EXPECT_EQ(si.nPage, 90u);

    resizeClient(116, 400);
    EXPECT_EQ(Cell(1).rcCell.left, 15) << "one column when narrower than 117";
}

TEST_F(ThumbViewTest, WheelAndScrollBarMoveTheGrid) {
    CScratchFolder folder;
    for (int i = 0; i < 30; ++i) folder.Fill("p" + std::to_string(i) + ".jpg", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    ResizeView(400, 300);
    View().Layout();
    const int top = Cell(0).rcCell.top;
    ASSERT_EQ(ScrollPos(), 0);

    SendMessageA(View().m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(ScrollPos(), 30);
    EXPECT_EQ(Cell(0).rcCell.top, top - 30);
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(ScrollPos(), 120);
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(ScrollPos(), 90);
    SendMessageA(View().m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 360), 0);
    EXPECT_EQ(ScrollPos(), 0);
    EXPECT_EQ(Cell(0).rcCell.top, top);
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(ScrollPos(), 0) << "the top is the top";
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_BOTTOM, 0);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(View().m_hWnd, SB_VERT, &si);
    EXPECT_EQ(si.nPos, si.nMax - static_cast<int>(si.nPage) + 1);
    EXPECT_EQ(View().GetScrollOffset(), -si.nPos);

    // A click lands on the cell where it is drawn now.
    const std::size_t nLast = Panel().GetItems().size() - 1;
    ASSERT_TRUE(Cell(nLast).bVisible);
    ClickAt(CentreOf(Cell(nLast).rcCell));
    EXPECT_TRUE(Panel().GetItems()[nLast]->bSelected);
}

// Whether two colours are within JPEG's loss of each other.
bool NearColour(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) < 24 && std::abs(GetGValue(a) - GetGValue(b)) < 24 &&
           std::abs(GetBValue(a) - GetBValue(b)) < 24;
}

TEST_F(ThumbViewTest, ThumbnailsAreDrawnUprightAtTheSizeTheyWereMade) {
    CScratchFolder folder;
    const COLORREF crTop = RGB(200, 60, 40), crBottom = RGB(40, 60, 200);
    // Sizes whose aspect ratio does not survive the round trip through HIMETRIC exactly.
    WriteJpeg(folder.Path() + "\\wide.jpg", 400, 300, crTop, crBottom);
    WriteJpeg(folder.Path() + "\\tall.jpg", 300, 457, crBottom, crTop);
    ASSERT_EQ(Scan(folder.Path()), 1);
    for (std::size_t i = 0; i < Panel().GetItems().size(); ++i) {
        ASSERT_TRUE(PumpUntil(
            [&] {
                UpdateWindow(View().m_hWnd);
                return View().FindThumbnail(i) != nullptr;
            },
            10000))
            << i;
        const SIZE made = BitmapSize(View().FindThumbnail(i)->pThumb.Get());
        ASSERT_GT(made.cx, 0);
        EXPECT_EQ(View().PictureRect(i).Width(), made.cx) << i;
        EXPECT_EQ(View().PictureRect(i).Height(), made.cy) << i;
    }
    // As the grid paints them: each its own picture, its top half at the top of its box.
    RECT client = View().GetClientRect();
    CBackBuffer target(nullptr, client.right, client.bottom);
    ASSERT_TRUE(target);
    SendMessageA(View().m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Get()), PRF_CLIENT);
    for (std::size_t i = 0; i < Panel().GetItems().size(); ++i) {
        const PixelRect rc = View().PictureRect(i);
        const int x = (rc.left + rc.right) / 2;
        const bool bWide = Caption(i) == "wide.jpg";
        EXPECT_TRUE(NearColour(GetPixel(target.Get(), x, rc.top + 2), bWide ? crTop : crBottom)) << i;
        EXPECT_TRUE(NearColour(GetPixel(target.Get(), x, rc.bottom - 3), bWide ? crBottom : crTop)) << i;
    }
}

TEST_F(ThumbViewTest, PreparingAgainDeletesTheEarlierCopy) {
    CScratchFolder folder;
    const std::string picture = folder.Path() + "\\big.jpg";
    WriteJpeg(picture, 1000, 750);
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(true);
    ThumbItem& item = *Panel().GetItems()[0];
    ClickAt(CentreOf(Cell(0).rcCell));
    ASSERT_TRUE(PumpUntilPrepared());
    const std::string first = item.uploadCopy.GetPath();
    ASSERT_NE(first, picture);
    ASSERT_NE(GetFileAttributesA(first.c_str()), INVALID_FILE_ATTRIBUTES);

    item.nUploadSize = 0;  // as for a copy that the writer left empty
    Panel().EnsurePrepared(0);
    ASSERT_TRUE(PumpUntilPrepared());
    EXPECT_NE(item.uploadCopy.GetPath(), first);
    EXPECT_EQ(GetFileAttributesA(first.c_str()), INVALID_FILE_ATTRIBUTES) << "the earlier copy is gone";

    // A picture that can no longer be read is unprepared, with nothing stale left.
    const std::string second = item.uploadCopy.GetPath();
    item.nUploadSize = 0;
    ASSERT_TRUE(DeleteFileA(picture.c_str()));
    Panel().EnsurePrepared(0);
    ASSERT_TRUE(PumpUntilPrepared());
    EXPECT_EQ(item.uploadCopy.GetPath(), "");
    EXPECT_FALSE(item.bKeptAsIs);
    EXPECT_EQ(GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ThumbViewTest, ChangingFolderDeletesUploadCopiesButNeverAPicture) {
    CScratchFolder folder;
    const std::string large = folder.Path() + "\\large.jpg";
    const std::string small = folder.Path() + "\\small.jpg";
    WriteJpeg(large, 1000, 750);  // over the limits: a copy goes up
    WriteJpeg(small, 40, 30);     // under them: the picture itself goes up
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(true);
    Click(IDC_SELECT_ALL);
    ASSERT_TRUE(PumpUntilPrepared());
    std::string copy;
    int nKept = 0;
    for (const auto& item : Panel().GetItems()) {
        if (item->bKeptAsIs) ++nKept;
        if (item->uploadCopy) copy = item->uploadCopy.GetPath();
    }
    ASSERT_EQ(nKept, 1);
    ASSERT_NE(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    CScratchFolder other;
    ASSERT_EQ(Scan(other.Path()), 1);
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(large.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(small.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ThumbViewTest, TheQuotaCheckCountsTheMarkedPictures) {
    CScratchFolder folder;
    folder.Fill("first.jpg", 6 * 1024);
    folder.Fill("second.jpg", 6 * 1024);
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(false);
    Panel().SetTotalSpace(10);
    Panel().SetUsedSpace(0);
    Click(IDC_SELECT_ALL);
    // A folder outside the file system zeroes the figure; both pictures stay marked.
    ASSERT_EQ(Scan(""), 0);
    ClickAt(CentreOf(Cell(0).rcCell));
    ClickAt(CentreOf(Cell(0).rcCell));
    ASSERT_TRUE(Panel().GetItems()[1]->bSelected);
    CMessageBoxAnswerer answer;
    Click(IDC_UPLOAD_NOW);
    EXPECT_EQ(answer.Text(), "很抱歉，您的相册空间不足，无法上传！");
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 6.0) << "the shown figure stays as the clicks left it";
}

TEST_F(ThumbViewTest, AnEmptyFolderDisablesTheSelectionButtons) {
    CScratchFolder folder;
    folder.Fill("notes.txt", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    EXPECT_TRUE(Panel().GetItems().empty());
    EXPECT_FALSE(Enabled(IDC_SELECT_ALL));
    EXPECT_FALSE(Enabled(IDC_SELECT_NONE));
    ClickAt(POINT{60, 60});
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
}

// GDI objects of this process as the system counts them; Wine answers 0 (not counted).
DWORD GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// A folder of 20,000 pictures made by run-big-folder-test.sh (Wine makes files too slowly
// for the test to make them itself); its path comes in TESSALINE_BIG_FOLDER.
TEST_F(ThumbViewTest, BigFolderKeepsItsThumbnailsBoundedFromTopToBottom) {
    const char* pszFolder = std::getenv("TESSALINE_BIG_FOLDER");
    if (!pszFolder) GTEST_SKIP() << "run by run-big-folder-test.sh";
    ResizeView(600, 400);
    const DWORD dwGdiBefore = GdiObjects();
    ASSERT_EQ(Scan(pszFolder), 1);
    ASSERT_EQ(Panel().GetItems().size(), 20000u);
    ASSERT_EQ(View().GetThumbnailCapacity(), CThumbCache::kMinCapacity) << "a fixed bound at this size";

    // Stops from the top to the bottom, some pages apart: at each, every visible cell gets
    // its thumbnail, and no more than the bound are held.
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(View().m_hWnd, SB_VERT, &si);
    const int nPages = (si.nMax - static_cast<int>(si.nPage) + 1) / static_cast<int>(si.nPage) + 1;
    // Enough stops that their visible cells alone overflow the bound twice: whether the
    // producer also made cells around the screen depends on the machine's speed.
    const ThumbRange first = View().VisibleItems();
    const int nVisible = std::max(1, first.nEnd - first.nFirst);
    const int nStops = std::max(10, 2 * static_cast<int>(CThumbCache::kMinCapacity) / nVisible + 1);
    std::size_t nMostHeld = 0;
    for (int stop = 0; stop <= nStops; ++stop) {
        const ThumbRange visible = View().VisibleItems();
        ASSERT_LT(visible.nFirst, visible.nEnd);
        const bool bAllShown = PumpUntil(
            [&] {
                UpdateWindow(View().m_hWnd);
                for (int i = visible.nFirst; i < visible.nEnd; ++i)
                    if (!View().FindThumbnail(static_cast<std::size_t>(i))) return false;
                return true;
            },
            20000);
        ASSERT_TRUE(bAllShown) << "stop " << stop << ", items " << visible.nFirst << ".." << visible.nEnd;
        nMostHeld = std::max(nMostHeld, View().GetThumbnailCount());
        EXPECT_LE(View().GetThumbnailCount(), CThumbCache::kMinCapacity) << "stop " << stop;
        if (dwGdiBefore > 0) {
            EXPECT_LE(GdiObjects(), dwGdiBefore + CThumbCache::kMinCapacity + 20) << "stop " << stop;
        }
        for (int page = 0; page < nPages / nStops + 1; ++page) SendMessageA(View().m_hWnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    }
    GetScrollInfo(View().m_hWnd, SB_VERT, &si);
    EXPECT_EQ(si.nPos, si.nMax - static_cast<int>(si.nPage) + 1) << "at the bottom";
    EXPECT_EQ(View().VisibleItems().nEnd, 20000);
    EXPECT_GT(nMostHeld, 100u) << "the cache filled: thumbnails were let go as it scrolled";

    // Back at the top the first pictures are made again.
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_TOP, 0);
    EXPECT_FALSE(View().FindThumbnail(0)) << "let go far down";
    EXPECT_TRUE(PumpUntil(
        [&] {
            UpdateWindow(View().m_hWnd);
            return View().FindThumbnail(0) != nullptr;
        },
        10000));
}

}  // namespace
