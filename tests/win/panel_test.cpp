#include "hosted_panel_fixture.h"

#include "framework/gdi.h"

#include <algorithm>

namespace {

TEST_F(PanelTest, StartsWithTheDefaultSpaceTextAndEverythingDisabled) {
    EXPECT_EQ(SpaceText(), "已使用/总空间：0.00M/10.00M  当前选择：0.00M  ");
    EXPECT_FALSE(Enabled(IDC_SELECT_ALL));
    EXPECT_FALSE(Enabled(IDC_SELECT_NONE));
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
    EXPECT_EQ(Button_GetCheck(Item(IDC_AUTO_COMPRESS)), BST_CHECKED);
    // The buttons draw themselves from the artwork.
    EXPECT_EQ(GetWindowLongA(Item(IDC_UPLOAD_NOW), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    CVariant total(20480L), used(-1L);
    ASSERT_EQ(PutProperty(Dispatch(), L"SpaceSize", total.Ref()), S_OK);
    ASSERT_EQ(PutProperty(Dispatch(), L"SpaceUsedSize", used.Ref()), S_OK);
    EXPECT_EQ(SpaceText(), "已使用/总空间：0.00M/20.00M  当前选择：0.00M  ");
}

TEST_F(PanelTest, ScanListsGifAndJpegFilesOnly) {
    CScratchFolder folder;
    folder.Fill("a.jpeg", 100);
    folder.Fill("b.JPG", 2048);
    folder.Fill("c.gif", 10);
    folder.Fill("Mixed.Gif", 10);
    folder.Fill("春节.jpg", 3000);
    folder.Fill("d.bmp", 10);
    folder.Fill("e.png", 10);
    folder.Fill("readme.txt", 10);
    folder.Fill("photoxgif", 10);  // the kind comes from the last four characters, dot or not
    CreateDirectoryA((folder.Path() + "\\x.jpg").c_str(), nullptr);
    EXPECT_EQ(Scan(folder.Path()), 1);
    EXPECT_EQ(Listed(), (std::set<std::string>{"a.jpeg", "b.JPG", "c.gif", "Mixed.Gif", "春节.jpg", "photoxgif"}));
    EXPECT_TRUE(Enabled(IDC_SELECT_ALL));
    EXPECT_TRUE(Enabled(IDC_SELECT_NONE));
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
    for (std::size_t i = 0; i < Panel().GetItems().size(); ++i)
        EXPECT_EQ(Panel().GetPicturePath(i), folder.Path() + "\\" + Caption(i));
}

TEST_F(PanelTest, SelectionTotalsFollowTheCompressBox) {
    CScratchFolder folder;
    folder.Fill("one.jpg", 1536);  // 1.5 KB
    folder.Fill("two.gif", 2560);  // 2.5 KB
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(false);
    Click(IDC_SELECT_ALL);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 4.0);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW));
    EXPECT_EQ(SpaceText(), "已使用/总空间：0.00M/10.00M  当前选择：0.00M  ");  // 4 KB of 1024
    // The recount after the box changes takes whole kilobytes of each file.
    Click(IDC_AUTO_COMPRESS);  // checks it: nothing prepared, nothing counted
    Click(IDC_AUTO_COMPRESS);  // and back
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 1.0 + 2.0);
    Click(IDC_SELECT_NONE);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 0.0);
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
    for (const auto& item : Panel().GetItems()) EXPECT_FALSE(item->bSelected);
}

TEST_F(PanelTest, ClickingTheCompressCaptionTogglesTheBox) {
    RECT rc{};
    GetWindowRect(Item(IDC_COMPRESS_LABEL), &rc);
    MapWindowPoints(nullptr, Panel().m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    LPARAM at = MAKELPARAM(rc.left + 3, rc.top + 3);
    // The label is a static without SS_NOTIFY: the panel itself gets the click.
    SendMessageA(Panel().m_hWnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(Button_GetCheck(Item(IDC_AUTO_COMPRESS)), BST_UNCHECKED);
    SendMessageA(Panel().m_hWnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(Button_GetCheck(Item(IDC_AUTO_COMPRESS)), BST_CHECKED);
    SendMessageA(Panel().m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(rc.left - 40, rc.top + 3));
    EXPECT_EQ(Button_GetCheck(Item(IDC_AUTO_COMPRESS)), BST_CHECKED);
}

TEST_F(PanelTest, UploadNowChecksQuotaThenSelectionThenStartsTheBatch) {
    CScratchFolder folder;
    folder.Fill("p1.jpg", 240 * 1024);
    folder.Fill("p2.jpg", 1024);
    folder.Fill("p3.jpg", 1024);
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(false);
    {
        CMessageBoxAnswerer answer;
        Click(IDC_UPLOAD_NOW);
        EXPECT_EQ(answer.Text(), "请选择您要上传的文件！");
    }

    Panel().SetTotalSpace(10240);
    Panel().SetUsedSpace(10000);
    // Select the 240 KB picture alone: reaching the total exactly is allowed.
    for (std::size_t i = 0; i < Panel().GetItems().size(); ++i)
        Panel().GetItems()[i]->bSelected = Caption(i) == "p1.jpg";
    SendMessageA(Item(IDC_AUTO_COMPRESS), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_AUTO_COMPRESS), BM_CLICK, 0, 0);  // recount with the box clear
    ASSERT_DOUBLE_EQ(Panel().GetSelectedKB(), 240.0);
    EnableWindow(Item(IDC_UPLOAD_NOW), TRUE);
    {
        // The page set no upload address: the picture fails at once and says why.
        CWindowAnswerer result("上传结果", IDCANCEL);
        Click(IDC_UPLOAD_NOW);
        const AnsweredWindow& shown = result.Result();
        ASSERT_EQ(shown.rows.size(), 1u);
        EXPECT_EQ(shown.rows[0], (std::vector<std::string>{"p1.jpg", "上传地址无效，没有上传"}));
    }
    EXPECT_TRUE(IsWindowEnabled(Panel().m_hWnd));

    Panel().GetItems()[1]->bSelected = true;  // one more kilobyte: over the quota
    SendMessageA(Item(IDC_AUTO_COMPRESS), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_AUTO_COMPRESS), BM_CLICK, 0, 0);
    CMessageBoxAnswerer answer;
    Click(IDC_UPLOAD_NOW);
    EXPECT_EQ(answer.Text(), "很抱歉，您的相册空间不足，无法上传！");
    EXPECT_FALSE(IsWindowVisible(Panel().GetUploader().ProgressDialog().m_hWnd)) << "no batch over the quota";
}

TEST_F(PanelTest, TheQuotaCheckKeepsFractionsAndLeavesTheSpaceTextAsItWas) {
    CScratchFolder folder;
    folder.Fill("p.jpg", 246272);  // 240.5 KB
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(false);
    Panel().SetTotalSpace(10240);
    Panel().SetUsedSpace(10000);
    Click(IDC_SELECT_ALL);
    const std::string shown = SpaceText();
    EXPECT_EQ(shown, "已使用/总空间：9.77M/10.00M  当前选择：0.23M  ");
    // A batch the check lets through fails at once (no upload address): its summary is closed.
    CWindowAnswerer summary("上传结果", IDCANCEL, {}, 5000);
    CMessageBoxAnswerer answer;
    Click(IDC_UPLOAD_NOW);
    EXPECT_EQ(answer.Text(), "很抱歉，您的相册空间不足，无法上传！");
    EXPECT_FALSE(summary.Done()) << "no batch over the quota";
    EXPECT_EQ(SpaceText(), shown);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 240.5);
}

TEST_F(PanelTest, AFolderWhoseLastTrailByteIsABackslashIsScannedItself) {
    // "誠" ends in byte 0x5C in code page 936, the byte of a backslash.
    CScratchFolder folder;
    const std::string inner = folder.Sub("誠");
    ASSERT_TRUE(WriteBytes(inner + "\\inside.jpg", "x", 1));
    folder.Fill("誠beside.jpg", 10);  // what a byte test for the separator lists instead
    EXPECT_EQ(Scan(inner), 1);
    EXPECT_EQ(Listed(), std::set<std::string>{"inside.jpg"});
    ASSERT_EQ(Panel().GetItems().size(), 1u);
    EXPECT_EQ(Panel().GetPicturePath(0), inner + "\\inside.jpg");
}

TEST_F(PanelTest, EmptyOrMissingFoldersLeaveAnEmptyOrOldList) {
    CScratchFolder folder;
    folder.Fill("keep.jpg", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    Click(IDC_SELECT_ALL);
    // A tree item outside the file system: the list stays, the figure and buttons reset.
    EXPECT_EQ(Scan(""), 0);
    EXPECT_EQ(Panel().GetItems().size(), 1u);
    EXPECT_TRUE(Panel().GetItems()[0]->bSelected);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 0.0);
    EXPECT_FALSE(Enabled(IDC_SELECT_ALL));
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));
    // A folder removed before the scan, and one nested close to the path limit.
    EXPECT_EQ(Scan(folder.Path() + "\\gone"), 1);
    EXPECT_TRUE(Panel().GetItems().empty());
    EXPECT_FALSE(Enabled(IDC_SELECT_ALL));
    std::string deep = folder.Path();
    while (deep.size() < 240) {
        deep += "\\deeper-folder";
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    EXPECT_EQ(Scan(deep + "\\" + std::string(250 - std::min<size_t>(deep.size(), 249), 'n')), 1);
    EXPECT_TRUE(Panel().GetItems().empty());
}

TEST_F(PanelTest, TenThousandFilesAreListedInFolderOrder) {
    CScratchFolder folder;
    for (int i = 0; i < 10000; ++i) folder.Fill("img" + std::to_string(i) + (i % 2 ? ".jpg" : ".txt"), 0);
    ASSERT_EQ(Scan(folder.Path()), 1);
    EXPECT_EQ(Panel().GetItems().size(), 5000u);
    Click(IDC_SELECT_ALL);
    EXPECT_EQ(Panel().CollectSelection(), 5000);
}

// Client rectangle of a child of the panel, in the panel's coordinates.
RECT ChildRect(HWND child) {
    RECT rc{};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

TEST_F(PanelTest, EveryChildStaysInsideTheControlAtAnySize) {
    for (SIZE size : {SIZE{0, 0}, SIZE{1, 1}, SIZE{120, 80}, SIZE{429, 238}, SIZE{800, 600}, SIZE{4000, 3000}}) {
        MoveWindow(m_host.Site(), 0, 0, size.cx, size.cy, TRUE);
        PumpFor(20);
        RECT client{};
        GetClientRect(Panel().m_hWnd, &client);
        for (HWND child = GetWindow(Panel().m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT rc = ChildRect(child);
            EXPECT_LE(rc.left, rc.right) << size.cx << "x" << size.cy;
            EXPECT_LE(rc.top, rc.bottom) << size.cx << "x" << size.cy;
            EXPECT_GE(rc.left, client.left);
            EXPECT_GE(rc.top, client.top);
            EXPECT_LE(rc.right, std::max(client.right, client.left)) << size.cx << "x" << size.cy;
            EXPECT_LE(rc.bottom, std::max(client.bottom, client.top)) << size.cx << "x" << size.cy;
        }
    }
}

// Presses on the bar, moves by dx and ends with the given message, as the mouse would.
void Drag(HWND bar, int dx, UINT endMessage, WPARAM endWParam = 0) {
    PostMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2 + dx / 2, 50));
    PostMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2 + dx, 50));
    PostMessageA(bar, endMessage, endWParam, MAKELPARAM(2 + dx, 50));
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 50));
}

TEST_F(PanelTest, DraggingTheSplitterWidensTheTree) {
    HWND bar = GetDlgItem(Panel().m_hWnd, 3);
    HWND tree = Panel().GetTreeWindow();
    ASSERT_NE(bar, nullptr);
    const int before = ChildRect(tree).right - ChildRect(tree).left;
    EXPECT_EQ(before, 200);
    Drag(bar, 30, WM_LBUTTONUP);
    EXPECT_EQ(Panel().GetTreeWidth(), 230);
    EXPECT_EQ(ChildRect(tree).right - ChildRect(tree).left, 230);
    EXPECT_EQ(ChildRect(bar).left, ChildRect(tree).right);
    EXPECT_EQ(ChildRect(Panel().GetThumbView().m_hWnd).left, ChildRect(bar).right);

    Drag(bar, -50, WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(Panel().GetTreeWidth(), 230) << "Escape cancels the drag";
    Drag(bar, -20, WM_RBUTTONDOWN);
    EXPECT_EQ(Panel().GetTreeWidth(), 210) << "a right click ends the drag and keeps the move";
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(PanelTest, AWindowWiderThanTheScreenIsPaintedToItsRightEdge) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    const int wide = GetSystemMetrics(SM_CXSCREEN) + 400, high = GetSystemMetrics(SM_CYSCREEN) + 100;
    // Painted once at an ordinary size first: the surfaces grow with the window.
    for (SIZE size : {SIZE{800, 600}, SIZE{wide, high}}) {
        MoveWindow(m_host.Site(), 0, 0, size.cx, size.cy, TRUE);
        PumpFor(20);
        for (HWND window : {Panel().m_hWnd, Panel().GetThumbView().m_hWnd}) {
            RECT client{};
            GetClientRect(window, &client);
            CBackBuffer target(nullptr, client.right, client.bottom);
            ASSERT_TRUE(target);
            FillSolidRect(target.Get(), client, RGB(255, 0, 255));
            const bool bPanel = window == Panel().m_hWnd;
            SendMessageA(window, bPanel ? WM_ERASEBKGND : WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Get()),
                         PRF_CLIENT);
            // The panel's bottom band and the grid's white ground, in their last column.
            EXPECT_EQ(GetPixel(target.Get(), client.right - 1, client.bottom - 1),
                      bPanel ? Panel().GetSkinColor() : RGB(255, 255, 255))
                << (bPanel ? "panel " : "grid ") << client.right << "x" << client.bottom;
        }
    }
}

TEST_F(PanelTest, SkinColourRepaintsThePanelButNotTheSplitter) {
    CVariant colour(static_cast<long>(RGB(10, 20, 30)));
    ASSERT_EQ(PutProperty(Dispatch(), L"SkinColor", colour.Ref()), S_OK);
    EXPECT_EQ(Panel().GetSkinColor(), RGB(10, 20, 30));
    EXPECT_EQ(Panel().GetSpaceLabel().GetBkColor(), RGB(10, 20, 30));
    auto* bar = static_cast<CSplitterBar*>(CWnd::FromHandlePermanent(GetDlgItem(Panel().m_hWnd, 3)));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->m_crColor, GetSysColor(COLOR_BTNFACE));
}

}  // namespace
