#include "hosted_panel_fixture.h"

#include <oleidl.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The panel driven by keys: each key message is posted to the focused window and pumped as
// a container pumps, offering it to the control's in-place object before dispatching it.
class PanelKeyboardTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(Dispatch()->QueryInterface(IID_IOleInPlaceActiveObject, m_active.ReceiveVoid())));
    }
    void TearDown() override {
        HoldModifiers(false, false);
        m_active.Release();
        PanelTest::TearDown();
    }
    // The modifiers as GetKeyState reports them to the windows of this thread.
    static void HoldModifiers(bool bCtrl, bool bShift) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = bCtrl ? 0x80 : 0;
        keys[VK_SHIFT] = bShift ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    void Press(UINT vk, bool bCtrl = false, bool bShift = false) {
        HoldModifiers(bCtrl, bShift);
        HWND target = GetFocus();
        ASSERT_NE(target, nullptr);
        PostMessageA(target, WM_KEYDOWN, vk, 1);
        PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (m_active->TranslateAccelerator(&msg) == S_OK) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        HoldModifiers(false, false);
    }
    CThumbView& View() { return Panel().GetThumbView(); }
    bool Selected(std::size_t i) { return Panel().GetItems()[i]->bSelected; }
    // A scanned folder of n small pictures in a grid of three columns, two rows high.
    void ShowPictures(CScratchFolder& folder, int n) {
        for (int i = 0; i < n; ++i) folder.Fill("p" + std::to_string(100 + i) + ".jpg", 1024);
        ASSERT_EQ(Scan(folder.Path()), 1);
        SetAutoCompress(false);
        MoveWindow(View().m_hWnd, 200, 50, 380, 300, TRUE);
        View().Layout();
        if (n > 3) {
            ASSERT_EQ(View().CellRects(3).rcCell.left, View().CellRects(0).rcCell.left) << "three columns";
        }
    }

    // The grid as it shows itself now, pixel by pixel.
    std::vector<DWORD> GridPixels() {
        const RECT rc = View().GetClientRect();
        CBackBuffer target(nullptr, rc.right, rc.bottom);
        SendMessageA(View().m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Get()), PRF_CLIENT);
        std::vector<DWORD> pixels;
        pixels.reserve(static_cast<std::size_t>(rc.right) * rc.bottom);
        for (int y = 0; y < rc.bottom; ++y)
            for (int x = 0; x < rc.right; ++x) pixels.push_back(GetPixel(target.Get(), x, y));
        return pixels;
    }

    CComPtrT<IOleInPlaceActiveObject> m_active;
};

// A held key scrolls the grid a row at a time by moving what is already drawn and drawing
// only the row that comes into view: what it shows must be what a paint of everything shows.
TEST_F(PanelKeyboardTest, AGridScrolledByKeysShowsWhatAWholePaintShows) {
    CScratchFolder folder;
    ShowPictures(folder, 30);
    SetFocus(View().m_hWnd);
    PumpFor(200);
    for (const auto& [vk, nPresses] : {std::pair{VK_DOWN, 8}, std::pair{VK_UP, 5}}) {
        const int nOffset = View().GetScrollOffset();
        for (int i = 0; i < nPresses; ++i) {
            Press(vk);
            UpdateWindow(View().m_hWnd);
        }
        ASSERT_NE(View().GetScrollOffset(), nOffset) << "the keys scrolled the grid";
        const std::vector<DWORD> moved = GridPixels();
        View().RepaintAll();
        EXPECT_TRUE(moved == GridPixels()) << "after " << nPresses << " presses of " << vk;
    }
}

TEST_F(PanelKeyboardTest, TabVisitsTreeGridBoxAndButtonsInOrder) {
    CScratchFolder folder;
    ShowPictures(folder, 2);
    Press(VK_SPACE);  // a selection enables "立即上传", which Tab then reaches
    SetFocus(GetDlgItem(Panel().m_hWnd, IDC_UPLOAD_NOW));
    const std::vector<HWND> order{Panel().GetTreeWindow(), View().m_hWnd,         Item(IDC_AUTO_COMPRESS),
                                  Item(IDC_SELECT_ALL),    Item(IDC_SELECT_NONE), Item(IDC_UPLOAD_NOW)};
    for (HWND expected : order) {
        Press(VK_TAB);
        EXPECT_EQ(GetFocus(), expected) << "control id " << GetDlgCtrlID(expected);
    }
    Press(VK_TAB, false, true);
    EXPECT_EQ(GetFocus(), Item(IDC_SELECT_NONE)) << "Shift+Tab goes back";
}

struct MoveCase {
    const char* pszName;
    std::vector<UINT> keys;
    std::size_t nFocus;
};

TEST_F(PanelKeyboardTest, NavigationKeysMoveTheFocusAndKeepItInView) {
    CScratchFolder folder;
    ShowPictures(folder, 30);
    const std::vector<MoveCase> cases{
        {"right, down", {VK_RIGHT, VK_DOWN}, 4},
        {"end", {VK_END}, 29},
        {"up from the last", {VK_UP}, 26},
        {"home", {VK_HOME}, 0},
        {"page down", {VK_NEXT}, 6},
        {"page down twice, page up", {VK_NEXT, VK_NEXT, VK_PRIOR}, 12},
        {"left", {VK_LEFT}, 11},
    };
    SetFocus(View().m_hWnd);
    for (const MoveCase& c : cases) {
        for (UINT vk : c.keys) Press(vk);
        EXPECT_EQ(View().GetFocusedItem(), c.nFocus) << c.pszName;
        RECT rc{};
        GetClientRect(View().m_hWnd, &rc);
        const ThumbCellRects cell = View().CellRects(c.nFocus);
        EXPECT_GE(cell.rcCell.top, 0) << c.pszName << ": the focused picture is on the screen";
        EXPECT_LE(cell.rcCaption.bottom, rc.bottom) << c.pszName;
        EXPECT_EQ(GetScrollPos(View().m_hWnd, SB_VERT), -View().GetScrollOffset()) << c.pszName;
    }
    Press(VK_HOME);
    EXPECT_EQ(View().GetScrollOffset(), 0);
    for (std::size_t i = 0; i < Panel().GetItems().size(); ++i) EXPECT_FALSE(Selected(i)) << "moving selects nothing";
}

TEST_F(PanelKeyboardTest, SpaceTogglesAsAClickAndCtrlASelectsAll) {
    CScratchFolder folder;
    ShowPictures(folder, 5);
    SetFocus(View().m_hWnd);
    Press(VK_RIGHT);
    Press(VK_SPACE);
    EXPECT_TRUE(Selected(1));
    EXPECT_FALSE(Selected(0));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 1.0);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW));
    Press(VK_SPACE);
    EXPECT_FALSE(Selected(1));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 0.0);
    EXPECT_FALSE(Enabled(IDC_UPLOAD_NOW));

    Press('A');
    EXPECT_FALSE(Selected(0)) << "A alone is no command";
    Press('A', true);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(Selected(i));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 5.0);
    EXPECT_EQ(GetFocus(), View().m_hWnd);
}

TEST_F(PanelKeyboardTest, AFocusMovedWithinTheScreenRepaintsOnlyItsTwoPictures) {
    // A held arrow key repaints the grid at every press: a whole grid of thumbnails each time
    // kept the user-interface thread from the keys behind it.
    CScratchFolder folder;
    ShowPictures(folder, 6);
    SetFocus(View().m_hWnd);
    PumpFor(200);
    UpdateWindow(View().m_hWnd);
    View().FocusItem(1);
    RECT rcUpdate{};
    ASSERT_TRUE(GetUpdateRect(View().m_hWnd, &rcUpdate, FALSE));
    const ThumbCellRects first = View().CellRects(0);
    const ThumbCellRects second = View().CellRects(1);
    EXPECT_GE(rcUpdate.left, first.rcCell.left - 10);
    EXPECT_LE(rcUpdate.right, second.rcCell.right + 10);
    EXPECT_LE(rcUpdate.bottom, second.rcCaption.bottom + 10) << "the second row stays as it is";
    PumpFor(50);
    EXPECT_EQ(View().GetFocusedItem(), 1u);
}

}  // namespace
