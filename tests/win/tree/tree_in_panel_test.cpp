#include "control/tessaline_ctrl.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"
#include "tessaline_h.h"
#include "test_support.h"
#include "tree_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace {

// Two real GIF pictures (1 by 1, red and blue) and a file that is not one.
const unsigned char kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 1, 0, 1, 0, 0x80, 0, 0, 0xff, 0, 0, 0,   0,
                              0xff, 0x2c, 0,    0,    0,    0,    1, 0, 1, 0, 0,    2, 2, 0x44, 1, 0, 0x3b};

void WriteFile(const std::string& path, const void* bytes, size_t n) {
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(bytes), static_cast<std::streamsize>(n));
}

class TreeInPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_window = new CTestWindow(820, 640, "tree in panel", true); }
    static void TearDownTestSuite() {
        delete s_window;
        s_window = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(m_atl.Load());
        CComPtrT<IClassFactory> factory;
        ASSERT_EQ(COleObjectFactory::GetClassObject(CLSID_TessalineCtrl, IID_IClassFactory, factory.ReceiveVoid()),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, m_disp.ReceiveVoid()), S_OK);
        m_site = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 800, 600, s_window->Get(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_EQ(m_atl.AttachControl(m_disp.Get(), m_site, m_container.Receive()), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return Panel().m_hWnd != nullptr; }, 5000));
        ASSERT_NE(Tree(), nullptr);
        ASSERT_TRUE(WaitFilled(*Tree()));
    }
    void TearDown() override {
        if (m_site) DestroyWindow(m_site);
        m_container.Release();
        PumpFor(20);
    }
    CMainPanelDlg& Panel() { return static_cast<CTessalineCtrl*>(m_disp.Get())->GetPanel(); }
    CShellTree* Tree() { return static_cast<CShellTree*>(CWnd::FromHandlePermanent(Panel().GetTreeWindow())); }
    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (std::size_t i = 0; i < Panel().GetItems().size(); ++i) names.insert(Panel().GetPicturePath(i));
        return names;
    }

    static inline CTestWindow* s_window = nullptr;
    CTestApartment m_apartment;
    AtlAxApi m_atl;
    HWND m_site = nullptr;
    CComPtrT<IDispatch> m_disp;
    CComPtrT<IUnknown> m_container;
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
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(tree.m_hWnd, GWL_STYLE)) & 0xffff000f, 0x50000007u);
    EXPECT_TRUE(GetWindowLongA(tree.m_hWnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(TreeInPanelTest, ClickingAFolderMadeByTheTestListsItsPictures) {
    CScratchDir dir("panel");
    std::string album = dir.Sub("假期 album");
    WriteFile(album + "\\red.gif", kGif, sizeof kGif);
    WriteFile(album + "\\blue.GIF", kGif, sizeof kGif);
    WriteFile(album + "\\notes.txt", "x", 1);
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

}  // namespace
