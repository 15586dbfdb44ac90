#include "framework/scoped_handle.h"
#include "framework/text.h"
#include "hosted_control.h"
#include "res/resource.h"
#include "suite_window.h"
#include "test_support.h"
#include "tree_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Two real GIF pictures (1 by 1, red and blue) and a file that is not one.
const unsigned char kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 1, 0, 1, 0, 0x80, 0, 0, 0xff, 0, 0, 0,   0,
                              0xff, 0x2c, 0,    0,    0,    0,    1, 0, 1, 0, 0,    2, 2, 0x44, 1, 0, 0x3b};

class TreeInPanelTest : public CSuiteWindowTest<820, 640> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.Create(Window(), RECT{0, 0, 800, 600}));
        ASSERT_TRUE(m_host.Attach());
        ASSERT_NE(Tree(), nullptr);
        ASSERT_TRUE(WaitFilled(*Tree()));
    }
    void TearDown() override { m_host.Close(); }
    CMainPanelDlg& Panel() { return m_host.Panel(); }
    CShellTree* Tree() { return static_cast<CShellTree*>(CWnd::FromHandlePermanent(Panel().GetTreeWindow())); }
    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (std::size_t i = 0; i < Panel().GetItems().size(); ++i) names.insert(Panel().GetPicturePath(i));
        return names;
    }

    CTestApartment m_apartment;
    CHostedControl m_host;
};

TEST_F(TreeInPanelTest, StartsWithTheDesktopExpandedAndFocused) {
    CShellTree& tree = *Tree();
    HTREEITEM root = tree.GetRootItem();
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(tree.GetItemState(root, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(Children(tree, root).empty());
    EXPECT_EQ(tree.m_bShowLoading, 1);
    EXPECT_EQ(GetDlgCtrlID(tree.m_hWnd), 0);
    char title[64] = {};
    GetWindowTextA(tree.m_hWnd, title, sizeof title);
    EXPECT_STREQ(title, "ShellTree Control");
    // A tab stop: Tab reaches the tree first.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(tree.m_hWnd, GWL_STYLE)) & 0xffff000f, 0x50010007u);
    EXPECT_TRUE(GetWindowLongA(tree.m_hWnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(TreeInPanelTest, ClickingAFolderMadeByTheTestListsItsPictures) {
    CScratchFolder dir;
    std::string album = dir.Sub("假期 album");
    WriteBytes(album + "\\red.gif", kGif, sizeof kGif);
    WriteBytes(album + "\\blue.GIF", kGif, sizeof kGif);
    WriteBytes(album + "\\notes.txt", "x", 1);
    CreateDirectoryA((album + "\\nested.gif").c_str(), nullptr);
    CShellTree& tree = *Tree();
    HTREEITEM item = ExpandToPath(tree, album);
    ASSERT_NE(item, nullptr);
    ClickItem(tree, item);
    PumpFor(50);
    EXPECT_EQ(Listed(), (std::set<std::string>{album + "\\red.gif", album + "\\blue.GIF"}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Panel().m_hWnd, IDC_SELECT_ALL)));
    // The computer folder has no path: the pictures stay, the buttons go off.
    ClickItem(tree, ComputerItem(tree));
    EXPECT_EQ(Panel().GetItems().size(), 2u);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Panel().m_hWnd, IDC_SELECT_ALL)));
}

TEST_F(TreeInPanelTest, AFolderTheCodePageCannotNameShowsNoPicturesAndStays) {
    CScratchFolder dir;
    std::string album = dir.Sub("album");
    WriteBytes(album + "\\red.gif", kGif, sizeof kGif);
    const std::wstring thai = AnsiToWide(dir.Path()) + L"\\\u0e01";
    ASSERT_TRUE(CreateDirectoryW(thai.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(AnsiToWide(album + "\\red.gif").c_str(), (thai + L"\\red.gif").c_str(), TRUE));
    CShellTree& tree = *Tree();
    HTREEITEM item = ExpandToPath(tree, album);
    ASSERT_NE(item, nullptr);
    ClickItem(tree, item);
    PumpFor(50);
    ASSERT_EQ(Panel().GetItems().size(), 1u);
    HTREEITEM parent = tree.GetNextItem(item, TVGN_PARENT);
    HTREEITEM unnamed = nullptr;
    for (HTREEITEM c : Children(tree, parent))
        if (c != item) unnamed = c;
    ASSERT_NE(unnamed, nullptr);
    ClickItem(tree, unnamed);
    PumpFor(50);
    EXPECT_TRUE(Panel().GetItems().empty()) << "no pictures, and no one else's";
    EXPECT_EQ(Children(tree, parent).size(), 2u) << "the folder stays in the tree";
}

HANDLE g_hQueryRelease = nullptr;
UINT WINAPI AsHeldDrive(LPCSTR) {
    WaitForSingleObject(g_hQueryRelease, 10000);
    return DRIVE_FIXED;
}

TEST_F(TreeInPanelTest, TheTreeFollowsADropToTheFolderItOpens) {
    CScratchFolder dir;
    const std::string album = dir.Sub("dropped album");
    WriteBytes(album + "\\red.gif", kGif, sizeof kGif);
    const std::string inner = dir.Sub("dropped album\\inner");
    CShellTree& tree = *Tree();
    const auto selectedPath = [&] { return tree.PathOf(tree.GetNextItem(nullptr, TVGN_CARET)); };
    struct Case {
        DroppedItem item;
        const char* what;
    };
    // Both ways a drop opens a folder: the folder itself, or a picture in it.
    for (const Case& c :
         {Case{DroppedItem{album, true}, "a folder"}, Case{DroppedItem{album + "\\red.gif", false}, "a picture"}}) {
        ClickItem(tree, ComputerItem(tree));
        ASSERT_NE(selectedPath(), album);
        Panel().OnFilesDropped({c.item});
        EXPECT_TRUE(PumpUntil([&] { return !tree.IsShowingFolder(); }, 20000)) << c.what;
        EXPECT_EQ(selectedPath(), album) << c.what;
        EXPECT_EQ(Listed(), (std::set<std::string>{album + "\\red.gif"})) << c.what;
    }
    // A click while the tree waits for a listing on its way to a dropped folder wins. The
    // album's listing is held in the drive query until the click is in.
    CScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_hQueryRelease = release.Get();
    tree.SetDriveTypeQuery(AsHeldDrive);
    Panel().OnFilesDropped({DroppedItem{inner, true}});
    ASSERT_TRUE(tree.IsShowingFolder()) << "the album's own listing is still to come";
    ClickItem(tree, ComputerItem(tree));
    PumpFor(50);
    EXPECT_FALSE(tree.IsShowingFolder());
    SetEvent(release.Get());
    ASSERT_TRUE(WaitFilled(tree));
    EXPECT_EQ(tree.GetNextItem(nullptr, TVGN_CARET), ComputerItem(tree));
    tree.SetDriveTypeQuery(GetDriveTypeA);
}

}  // namespace
