#include "ui/panel_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "pixel_geometry_print.h"

namespace {

// Template 201 as the dialog manager placed it with 宋体 10 pt at 96 dpi: the buttons' top
// at 5, label 218 and box 203 inside the button row.
PanelTemplate Template96() {
    PanelTemplate tpl;
    tpl.nUploadTop = 5;
    tpl.rcCompressLabel = {521, 10, 575, 26};
    tpl.rcCompressBox = {505, 11, 518, 24};
    return tpl;
}

constexpr PixelSize kCaption{65, 13};     // "相册空间："
constexpr PixelSize kShortText{150, 13};  // fits the first row of a wide panel
constexpr PixelSize kLongText{301, 13};   // "已使用/总空间：0.00M/10.00M  当前选择：0.00M  "

// The same template as the dialog manager places it with the font's size at another dpi.
PanelTemplate TemplateAt(const CDpiScale& scale) {
    const PanelTemplate tpl = Template96();
    const auto S = [&](const PixelRect& rc) {
        return PixelRect{scale.Scale(rc.left), scale.Scale(rc.top), scale.Scale(rc.right), scale.Scale(rc.bottom)};
    };
    return PanelTemplate{scale.Scale(tpl.nUploadTop), S(tpl.rcCompressLabel), S(tpl.rcCompressBox)};
}

PanelPlacement LayOut(PixelSize szClient, PixelSize szText, int nDelta = 0, PanelTemplate tpl = Template96(),
                      CDpiScale scale = {}) {
    CPanelLayout layout(scale);
    layout.SetTemplate(tpl);
    return layout.Recalc({szClient, scale.Scale(kCaption), szText}, nDelta);
}

using NamedRect = std::pair<const char*, PixelRect>;

std::vector<NamedRect> Children(const PanelPlacement& p) {
    return {{"caption 215", p.rcSpaceCaption},
            {"gauge", p.rcGauge},
            {"upload 202", p.rcUpload},
            {"select none 205", p.rcSelectNone},
            {"select all 204", p.rcSelectAll},
            {"label 218", p.rcCompressLabel},
            {"box 203", p.rcCompressBox},
            {"space text 201", p.rcSpaceText},
            {"hint 225", p.rcHint},
            {"tree", p.rcTree},
            {"splitter", p.rcSplitter},
            {"thumbs", p.rcThumbs}};
}

// What paints the client: the panel's four bands and the three content windows.
std::vector<NamedRect> Painted(const PanelPlacement& p) {
    return {{"top band", p.rcTopBand},
            {"left margin", p.rcLeftMargin},
            {"right margin", p.rcRightMargin},
            {"bottom band", p.rcBottomBand},
            {"tree", p.rcTree},
            {"splitter", p.rcSplitter},
            {"thumbs", p.rcThumbs}};
}

long long Area(const PixelRect& rc) { return static_cast<long long>(rc.Width()) * rc.Height(); }

// ---------------------------------------------------------------------------------------
// Invariants over client sizes, text lengths and splitter drags.

// Each client size is laid out at 96, 144 and 192 dpi with a short, a long and an absurdly
// long space text, and after splitter drags that leave the tree ordinary, narrow, gone or
// wider than the panel.
class PanelLayoutSizes : public ::testing::TestWithParam<PixelSize> {
protected:
    PixelSize Client() const { return GetParam(); }

    template <class Check>
    void ForEachPlacement(Check check) const {
        for (int nDpi : {96, 144, 192})
            for (PixelSize szText : {kShortText, kLongText, PixelSize{5000, 400}})
                for (int nDelta : {0, 30, -150, -400, 5000}) {
                    SCOPED_TRACE(::testing::Message()
                                 << nDpi << " dpi, text " << szText.cx << "x" << szText.cy << ", drag " << nDelta);
                    const CDpiScale scale(nDpi);
                    check(LayOut(Client(), scale.Scale(szText), nDelta, TemplateAt(scale), scale));
                }
    }
};

TEST_P(PanelLayoutSizes, EveryRectangleLiesInsideTheClientAndIsNotInsideOut) {
    ForEachPlacement([&](const PanelPlacement& p) {
        auto all = Children(p);
        for (const auto& band : Painted(p)) all.push_back(band);
        for (const auto& [name, rc] : all) {
            SCOPED_TRACE(name);
            EXPECT_GE(rc.Width(), 0);
            EXPECT_GE(rc.Height(), 0);
            EXPECT_GE(rc.left, 0);
            EXPECT_GE(rc.top, 0);
            EXPECT_LE(rc.right, Client().cx);
            EXPECT_LE(rc.bottom, Client().cy);
        }
    });
}

TEST_P(PanelLayoutSizes, NoTwoChildrenShareAPixel) {
    ForEachPlacement([&](const PanelPlacement& p) {
        const auto children = Children(p);
        for (size_t i = 0; i < children.size(); ++i)
            for (size_t j = i + 1; j < children.size(); ++j)
                EXPECT_FALSE(Intersects(children[i].second, children[j].second))
                    << children[i].first << " and " << children[j].first;
    });
}

// No point stays unpainted; once the client holds both 10-pixel margins and the splitter,
// the bands and the content windows tile it exactly.
TEST_P(PanelLayoutSizes, BandsAndContentCoverTheWholeClient) {
    const int cx = Client().cx, cy = Client().cy;
    ForEachPlacement([&](const PanelPlacement& p) {
        const auto painted = Painted(p);
        auto check = [&](int x, int y) {
            for (const auto& [name, rc] : painted)
                if (rc.Contains({x, y})) return;
            ADD_FAILURE() << "nothing paints (" << x << ", " << y << ")";
        };
        for (int y = 0; y < cy; y += 13)
            for (int x = 0; x < cx; x += 13) check(x, y);
        for (int x = 0; x < cx; ++x) check(x, cy - 1);
        for (int y = 0; y < cy; ++y) check(cx - 1, y);

        if (cx < 25) return;
        long long nArea = 0;
        for (size_t i = 0; i < painted.size(); ++i) {
            nArea += Area(painted[i].second);
            for (size_t j = i + 1; j < painted.size(); ++j)
                EXPECT_FALSE(Intersects(painted[i].second, painted[j].second))
                    << painted[i].first << " and " << painted[j].first;
        }
        EXPECT_EQ(nArea, static_cast<long long>(cx) * cy);
    });
}

TEST_P(PanelLayoutSizes, ContentLiesBelowTheTopRowAndAboveTheHint) {
    ForEachPlacement([&](const PanelPlacement& p) {
        for (const PixelRect& rc : {p.rcTree, p.rcSplitter, p.rcThumbs}) {
            if (rc.IsEmpty()) continue;
            EXPECT_GE(rc.top, p.nRowBottom + 5);
            EXPECT_LE(rc.bottom, p.rcHint.IsEmpty() ? Client().cy : p.rcHint.top);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(ClientSizes, PanelLayoutSizes,
                         ::testing::Values(PixelSize{0, 0}, PixelSize{1, 1}, PixelSize{9, 9}, PixelSize{24, 60},
                                           PixelSize{25, 100}, PixelSize{100, 40}, PixelSize{200, 90},
                                           PixelSize{300, 200}, PixelSize{480, 300}, PixelSize{751, 416},
                                           PixelSize{1024, 768}, PixelSize{4000, 1}, PixelSize{1, 3000},
                                           PixelSize{4000, 3000}),
                         [](const auto& info) {
                             return std::to_string(info.param.cx) + "x" + std::to_string(info.param.cy);
                         });

// ---------------------------------------------------------------------------------------
// The rules at an ordinary size.

TEST(PanelLayout, TopRowHangsTheButtonsFromTheRightEdge) {
    const PanelPlacement p = LayOut({1024, 768}, kShortText);
    EXPECT_EQ(p.rcSpaceCaption, (PixelRect{10, 10, 75, 23}));
    EXPECT_EQ(p.rcGauge, (PixelRect{75, 10, 175, 22}));
    EXPECT_EQ(p.rcUpload, (PixelRect{932, 5, 1004, 30}));  // right edge 20 from the client's
    EXPECT_EQ(p.rcSelectNone, (PixelRect{887, 5, 932, 30}));
    EXPECT_EQ(p.rcSelectAll, (PixelRect{841, 5, 887, 30}));
    EXPECT_EQ(p.rcCompressLabel, (PixelRect{784, 10, 838, 26}));  // 3 pixels left of 204
    EXPECT_EQ(p.rcCompressBox, (PixelRect{771, 11, 784, 24}));    // touching the label
}

TEST(PanelLayout, ContentBandRunsFromUnderTheRowToFiftyAboveTheBottom) {
    const PanelPlacement p = LayOut({1024, 768}, kShortText);
    EXPECT_FALSE(p.bSpaceTextWrapped);
    EXPECT_EQ(p.rcSpaceText, (PixelRect{178, 10, 328, 30}));  // x = w1 + 113, as tall as the row
    EXPECT_EQ(p.nRowBottom, 30);
    EXPECT_EQ(p.rcTree, (PixelRect{10, 35, 210, 718}));
    EXPECT_EQ(p.rcSplitter, (PixelRect{210, 35, 215, 718}));
    EXPECT_EQ(p.rcThumbs, (PixelRect{215, 35, 1014, 718}));
    EXPECT_EQ(p.rcHint, (PixelRect{5, 728, 1019, 768}));
    EXPECT_EQ(p.rcTopBand, (PixelRect{0, 0, 1024, 35}));
    EXPECT_EQ(p.rcLeftMargin, (PixelRect{0, 35, 10, 718}));
    EXPECT_EQ(p.rcRightMargin, (PixelRect{1014, 35, 1024, 718}));
    EXPECT_EQ(p.rcBottomBand, (PixelRect{0, 718, 1024, 768}));
}

TEST(PanelLayout, SpaceTextThatDoesNotFitMovesUnderTheButtons) {
    // Room for the text: box 203's left - (w1 + 110) - 6.
    const int nAvail = 771 - (65 + 110) - 6;
    const PanelPlacement fits = LayOut({1024, 768}, {nAvail, 13});
    EXPECT_FALSE(fits.bSpaceTextWrapped);

    const PanelPlacement wraps = LayOut({1024, 768}, {nAvail + 1, 13});
    EXPECT_TRUE(wraps.bSpaceTextWrapped);
    EXPECT_EQ(wraps.rcSpaceText, (PixelRect{72, 33, 72 + nAvail + 1, 46}));
    EXPECT_EQ(wraps.nRowBottom, 46);
    EXPECT_EQ(wraps.rcTree.top, 51);
    EXPECT_EQ(wraps.rcSplitter.top, 51);
    EXPECT_EQ(wraps.rcThumbs.top, 51);
}

TEST(PanelLayout, TallerTemplateControlsPushTheContentDown) {
    // A larger font makes label 218 reach below the buttons (bottom 40 against 30).
    PanelTemplate tpl = Template96();
    tpl.rcCompressLabel = {521, 15, 575, 40};
    const PanelPlacement p = LayOut({1024, 768}, kShortText, 0, tpl);
    EXPECT_EQ(p.nRowBottom, 40);
    EXPECT_EQ(p.rcTree.top, 45);
    EXPECT_FALSE(Intersects(p.rcCompressLabel, p.rcTree));
}

TEST(PanelLayout, SplitterDragChangesTheTreeWidthByItsDistance) {
    CPanelLayout layout;
    layout.SetTemplate(Template96());
    const PanelMeasures m{{1024, 768}, kCaption, kShortText};
    const PanelPlacement before = layout.Recalc(m, 0);
    const PanelPlacement after = layout.Recalc(m, 30);
    EXPECT_EQ(layout.GetTreeWidth(), 230);
    EXPECT_EQ(after.rcTree.Width(), before.rcTree.Width() + 30);
    EXPECT_EQ(after.rcSplitter.left, before.rcSplitter.left + 30);
    EXPECT_EQ(after.rcThumbs.left, before.rcThumbs.left + 30);
    EXPECT_EQ(after.rcThumbs.right, before.rcThumbs.right);

    layout.Recalc(m, -50);
    EXPECT_EQ(layout.GetTreeWidth(), 180);
}

TEST(PanelLayout, NarrowClientSqueezesTheTreeButKeepsTheChosenWidth) {
    CPanelLayout layout;
    layout.SetTemplate(Template96());
    layout.Recalc({{1024, 768}, kCaption, kShortText}, 100);  // the user wants 300

    const PanelPlacement narrow = layout.Place({{200, 768}, kCaption, kShortText});
    EXPECT_EQ(narrow.rcTree.Width(), 200 - 25);  // margins and splitter keep their room
    EXPECT_EQ(narrow.rcThumbs.Width(), 0);

    const PanelPlacement wide = layout.Place({{1024, 768}, kCaption, kShortText});
    EXPECT_EQ(wide.rcTree.Width(), 300);
}

TEST(PanelLayout, TreeDraggedPastItsLeftEdgeHasNoWidthNotANegativeOne) {
    const PanelPlacement p = LayOut({1024, 768}, kShortText, -500);
    EXPECT_EQ(p.rcTree, (PixelRect{10, 35, 10, 718}));
    EXPECT_EQ(p.rcSplitter.left, 10);
}

TEST(PanelLayout, NarrowPanelCutsTheButtonsAtTheEdgeInsteadOfCoveringTheGauge) {
    const PanelPlacement p = LayOut({300, 400}, kShortText);
    EXPECT_EQ(p.rcGauge, (PixelRect{75, 10, 175, 22}));
    EXPECT_EQ(p.rcCompressBox.left, p.rcGauge.right + 3);
    EXPECT_EQ(p.rcUpload.right, 300);  // cut by the client edge
    EXPECT_LT(p.rcUpload.Width(), 72);
    EXPECT_TRUE(p.bSpaceTextWrapped);
}

TEST(PanelLayout, LowClientEmptiesTheContentBandBeforeAnythingTurnsNegative) {
    const PanelPlacement p = LayOut({1024, 60}, kShortText);
    EXPECT_EQ(p.rcTree.Height(), 0);
    EXPECT_EQ(p.rcThumbs.Height(), 0);
    EXPECT_EQ(p.rcHint, (PixelRect{5, 35, 1019, 60}));  // starts under the top row
}

TEST(PanelLayout, AbsurdMeasuresStayInsideTheClient) {
    CPanelLayout layout;
    PanelTemplate tpl;
    tpl.nUploadTop = INT_MAX;
    tpl.rcCompressLabel = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    tpl.rcCompressBox = {5, 5, -100, -100};
    layout.SetTemplate(tpl);
    for (int nDelta : {INT_MAX, INT_MAX, INT_MIN, INT_MIN, INT_MIN}) {
        const PanelPlacement p = layout.Recalc({{640, 480}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}}, nDelta);
        for (const auto& [name, rc] : Children(p)) {
            SCOPED_TRACE(name);
            EXPECT_GE(rc.Width(), 0);
            EXPECT_GE(rc.Height(), 0);
            EXPECT_TRUE(rc.left >= 0 && rc.right <= 640 && rc.top >= 0 && rc.bottom <= 480);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Other dpi.

TEST(PanelLayout, At192DpiEveryFigureDoubles) {
    const CDpiScale scale(192);
    const PanelPlacement p96 = LayOut({1024, 768}, kShortText);
    const PanelPlacement p192 = LayOut({2048, 1536}, scale.Scale(kShortText), 0, TemplateAt(scale), scale);
    const auto Doubled = [](const PixelRect& rc) {
        return PixelRect{2 * rc.left, 2 * rc.top, 2 * rc.right, 2 * rc.bottom};
    };
    const auto children96 = Children(p96);
    const auto children192 = Children(p192);
    for (std::size_t i = 0; i < children96.size(); ++i)
        EXPECT_EQ(children192[i].second, Doubled(children96[i].second)) << children96[i].first;
    EXPECT_EQ(p192.rcUpload.Width(), 144);
    EXPECT_EQ(p192.rcUpload.Height(), 50);
    EXPECT_EQ(p192.rcTree.Width(), 400) << "the default width, at 192 dpi";
}

TEST(PanelLayout, HintTallerThanItsBandPushesTheContentUp) {
    CPanelLayout layout;
    layout.SetTemplate(Template96());
    const PanelPlacement usual = layout.Place({{1024, 768}, kCaption, kShortText, 30});
    EXPECT_EQ(usual.rcHint.Height(), 40);
    EXPECT_EQ(usual.rcTree.bottom, 768 - 50);
    const PanelPlacement tall = layout.Place({{1024, 768}, kCaption, kShortText, 70});
    EXPECT_EQ(tall.rcHint, (PixelRect{5, 768 - 70, 1019, 768}));
    EXPECT_EQ(tall.rcTree.bottom, 768 - 80) << "the gap above the hint stays";
    EXPECT_EQ(layout.HintWidth(1024), 1014);
}
