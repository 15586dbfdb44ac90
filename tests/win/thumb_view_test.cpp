#include "hosted_panel_fixture.h"

namespace {

// The grid of a hosted panel, clicked and scrolled with the messages the mouse sends.
class ThumbViewTest : public PanelTest {
protected:
    CThumbView& View() { return Panel().GetThumbView(); }
    void ResizeView(int width, int height) { MoveWindow(View().m_hWnd, 200, 50, width, height, TRUE); }
    void ClickAt(POINT pt, UINT message = WM_LBUTTONUP) {
        SendMessageA(View().m_hWnd, message, 0, MAKELPARAM(pt.x, pt.y));
    }
    static POINT CentreOf(const RECT& rc) { return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }
    int ScrollPos() { return GetScrollPos(View().m_hWnd, SB_VERT); }
};

TEST_F(ThumbViewTest, ClicksOnCellsAndCaptionsToggleTheSelection) {
    CScratchFolder folder;
    folder.File("first.jpg", 2048);
    folder.File("second.gif", 1024);
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(false);
    ThumbItem& first = *Panel().GetItems()[0];
    ThumbItem& second = *Panel().GetItems()[1];
    EXPECT_EQ(first.rcCell.right - first.rcCell.left, 102);
    EXPECT_FALSE(first.strCaption.empty());

    ClickAt(CentreOf(first.rcCell));
    EXPECT_TRUE(first.bSelected);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), first.nFileSize / 1024.0);
    ClickAt(CentreOf(second.rcCaption));
    EXPECT_TRUE(second.bSelected);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 3.0);

    ClickAt(CentreOf(first.rcCell));
    EXPECT_FALSE(first.bSelected);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW)) << "the other picture is still selected";
    ClickAt(CentreOf(second.rcCell));
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 0.0);

    // Between two cells: nothing changes, the grid takes the focus.
    ClickAt(POINT{first.rcCell.right + 7, first.rcCell.top + 50});
    EXPECT_FALSE(first.bSelected);
    EXPECT_FALSE(second.bSelected);
    EXPECT_EQ(GetFocus(), View().m_hWnd);

    // A double click's two releases toggle twice: the selection stays as it was.
    ClickAt(CentreOf(first.rcCell));
    ClickAt(CentreOf(first.rcCell));
    EXPECT_FALSE(first.bSelected);
}

TEST_F(ThumbViewTest, ColumnsFollowTheWidthAndTheScrollBarTheHeight) {
    CScratchFolder folder;
    for (int i = 0; i < 7; ++i) folder.File("p" + std::to_string(i) + ".jpg", 10);
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
    auto& items = Panel().GetItems();
    EXPECT_EQ(items[2]->rcCell.left, 15 + 2 * 117);
    EXPECT_EQ(items[3]->rcCell.left, 15) << "a 351-pixel client holds three columns";
    EXPECT_EQ(View().m_nContentHeight, 447);
    EXPECT_FALSE(GetWindowLongA(View().m_hWnd, GWL_STYLE) & WS_VSCROLL) << "447 fits in 500";

    resizeClient(351, 400);
    EXPECT_TRUE(GetWindowLongA(View().m_hWnd, GWL_STYLE) & WS_VSCROLL);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(View().m_hWnd, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 447);
    EXPECT_EQ(si.nPage, 90u);

    resizeClient(116, 400);
    EXPECT_EQ(items[1]->rcCell.left, 15) << "one column when narrower than 117";
}

TEST_F(ThumbViewTest, WheelAndScrollBarMoveTheGrid) {
    CScratchFolder folder;
    for (int i = 0; i < 30; ++i) folder.File("p" + std::to_string(i) + ".jpg", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    ResizeView(400, 300);
    View().Layout();
    ThumbItem& first = *Panel().GetItems()[0];
    const int top = first.rcCell.top;
    ASSERT_EQ(ScrollPos(), 0);

    SendMessageA(View().m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(ScrollPos(), 30);
    EXPECT_EQ(first.rcCell.top, top - 30);
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(ScrollPos(), 120);
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(ScrollPos(), 90);
    SendMessageA(View().m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 360), 0);
    EXPECT_EQ(ScrollPos(), 0);
    EXPECT_EQ(first.rcCell.top, top);
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(ScrollPos(), 0) << "the top is the top";
    SendMessageA(View().m_hWnd, WM_VSCROLL, SB_BOTTOM, 0);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(View().m_hWnd, SB_VERT, &si);
    EXPECT_EQ(si.nPos, si.nMax - static_cast<int>(si.nPage) + 1);
    EXPECT_EQ(View().m_nScrollOffset, -si.nPos);

    // A click lands on the cell where it is drawn now.
    ThumbItem& last = *Panel().GetItems().back();
    ASSERT_TRUE(last.bVisible);
    ClickAt(CentreOf(last.rcCell));
    EXPECT_TRUE(last.bSelected);
}

TEST_F(ThumbViewTest, AnEmptyFolderDisablesTheSelectionButtons) {
    CScratchFolder folder;
    folder.File("notes.txt", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    EXPECT_TRUE(Panel().GetItems().empty());
    EXPECT_FALSE(Enabled(IDC_SELECT_ALL));
    EXPECT_FALSE(Enabled(IDC_SELECT_NONE));
    ClickAt(POINT{60, 60});
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
}

}  // namespace
