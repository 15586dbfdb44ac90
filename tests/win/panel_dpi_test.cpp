// The panel on a screen of more than 96 dpi. Wine reads the dpi from the registry when a
// process starts, so these run in processes of their own (run-dpi-test.sh), one per dpi,
// told the dpi they should find in TESSALINE_EXPECT_DPI; without it they are skipped.
#include "hosted_panel_fixture.h"

#include "imaging/fit_picture.h"
#include "ui/panel_layout.h"

#include <cstdlib>

namespace {

class PanelDpiTest : public PanelTest {
protected:
    void SetUp() override {
        const char* pszDpi = std::getenv("TESSALINE_EXPECT_DPI");
        if (!pszDpi) GTEST_SKIP() << "run by run-dpi-test.sh at a dpi it sets";
        m_scale = CDpiScale(std::atoi(pszDpi));
        ASSERT_EQ(GetDeviceCaps(CWindowDC(nullptr).Get(), LOGPIXELSX), m_scale.GetDpi())
            << "the screen's dpi is not the one set";
        // A page's 800 by 600 pixels, as a browser zoomed to the screen's dpi shows them.
        m_szSite = SIZE{m_scale.Scale(800), m_scale.Scale(600)};
        PanelTest::SetUp();
    }

    // How much of a window's text its client area lacks, in its own font: the text broken
    // into lines at the client's width when it is a multi-line static (the hint), else on
    // one line. Zero when it fits.
    static SIZE Overflow(HWND hWnd) {
        char text[1024] = {};
        const int nLength = GetWindowTextA(hWnd, text, sizeof text);
        RECT rcClient{};
        GetClientRect(hWnd, &rcClient);
        CWindowDC dc(hWnd);
        CScopedSelect font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(hWnd, WM_GETFONT, 0, 0)));
        RECT rcText{0, 0, rcClient.right, 0};
        const bool bLines =
            std::string_view(text, static_cast<std::size_t>(nLength)).find('\n') != std::string_view::npos;
        DrawTextA(dc.Get(), text, nLength, &rcText, DT_CALCRECT | (bLines ? DT_WORDBREAK : DT_SINGLELINE));
        return SIZE{std::max(0L, rcText.right - rcClient.right), std::max(0L, rcText.bottom - rcClient.bottom)};
    }

    CDpiScale m_scale;
};

TEST_F(PanelDpiTest, EveryTextFitsItsControl) {
    // Box 203 shows no text of its own: label 218 beside it carries its caption.
    for (int nID : {IDC_SPACE_CAPTION, IDC_SPACE_TEXT, IDC_COMPRESS_LABEL, IDC_HINT, IDC_UPLOAD_NOW, IDC_SELECT_ALL,
                    IDC_SELECT_NONE}) {
        const SIZE over = Overflow(Item(nID));
        EXPECT_EQ(over.cx, 0) << "control " << nID << " at " << m_scale.GetDpi() << " dpi";
        EXPECT_EQ(over.cy, 0) << "control " << nID << " at " << m_scale.GetDpi() << " dpi";
    }
}

TEST_F(PanelDpiTest, ButtonsAndSplitterScaleWithTheDpi) {
    RECT rc{};
    GetClientRect(Item(IDC_UPLOAD_NOW), &rc);
    EXPECT_EQ(rc.right, m_scale.Scale(72));
    EXPECT_EQ(rc.bottom, m_scale.Scale(25));
    const CSplitterBar& splitter = Panel().GetSplitter();
    EXPECT_EQ(splitter.m_nLeftLimit, m_scale.Scale(CPanelLayout::kSplitterLeftLimit));
    EXPECT_EQ(splitter.m_nRightLimit, m_scale.Scale(CPanelLayout::kSplitterRightLimit));
    GetClientRect(splitter.m_hWnd, &rc);
    EXPECT_EQ(rc.right, m_scale.Scale(5)) << "the bar the mouse has to hit";
    EXPECT_EQ(Panel().GetTreeWidth(), m_scale.Scale(CPanelLayout::kDefaultTreeWidth));
}

TEST_F(PanelDpiTest, ThumbnailsAreMadeAtTheScaledCellsPixelSize) {
    CScratchFolder folder;
    WriteJpeg(folder.Path() + "\\wide.jpg", 800, 600);
    ASSERT_EQ(Scan(folder.Path()), 1);
    CThumbView& view = Panel().GetThumbView();
    const ThumbCellRects cell = view.CellRects(0);
    EXPECT_EQ(cell.rcCell.Width(), m_scale.Scale(102));
    EXPECT_EQ(cell.rcCell.Height(), m_scale.Scale(102));
    ASSERT_TRUE(PumpUntil(
        [&] {
            UpdateWindow(view.m_hWnd);
            return view.FindThumbnail(0) != nullptr;
        },
        10000));
    // The picture box of the scaled cell, fitted to the picture: made so, drawn so.
    PixelRect rcExpected = cell.rcPicture;
    FitPictureRect(rcExpected, 800, 600);
    const SIZE made = BitmapSize(view.FindThumbnail(0)->pThumb.Get());
    EXPECT_EQ(made.cx, rcExpected.Width());
    EXPECT_EQ(made.cy, rcExpected.Height());
    EXPECT_EQ(view.PictureRect(0).Width(), made.cx);
    EXPECT_EQ(view.PictureRect(0).Height(), made.cy);
}

TEST_F(PanelDpiTest, TreeShowsTheSystemsSmallIconsForTheDpi) {
    // The list is posted to the tree: it is there once the queue has been served.
    const auto ImageList = [this] {
        return reinterpret_cast<HIMAGELIST>(SendMessageA(Panel().GetTreeWindow(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    };
    ASSERT_TRUE(PumpUntil([&] { return ImageList() != nullptr; }, 5000));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(ImageList(), &cx, &cy));
    EXPECT_EQ(cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(cy, GetSystemMetrics(SM_CYSMICON));
    EXPECT_GT(cx, 16) << "a small icon larger than at 96 dpi";
}

}  // namespace
