#include "ui/thumb_focus.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

// 10 items in 3 columns, 2 rows to a screen:
//   0 1 2
//   3 4 5
//   6 7 8
//   9
struct FocusCase {
    const char* pszName;
    ThumbFocusKey key;
    int nFrom;
    int nTo;
};
void PrintTo(const FocusCase& c, std::ostream* os) { *os << c.pszName; }

class ThumbFocusMoves : public ::testing::TestWithParam<FocusCase> {};

TEST_P(ThumbFocusMoves, KeyMovesTheFocusWithinTheList) {
    EXPECT_EQ(MoveThumbFocus(GetParam().key, GetParam().nFrom, 10, 3, 2), GetParam().nTo);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ThumbFocusMoves,
    ::testing::Values(FocusCase{"LeftAtFirst", ThumbFocusKey::Left, 0, 0}, FocusCase{"Left", ThumbFocusKey::Left, 4, 3},
                      FocusCase{"LeftWraps", ThumbFocusKey::Left, 3, 2}, FocusCase{"Right", ThumbFocusKey::Right, 2, 3},
                      FocusCase{"RightAtLast", ThumbFocusKey::Right, 9, 9}, FocusCase{"Up", ThumbFocusKey::Up, 7, 4},
                      FocusCase{"UpOnTopRow", ThumbFocusKey::Up, 1, 1}, FocusCase{"Down", ThumbFocusKey::Down, 4, 7},
                      FocusCase{"DownIntoShortRow", ThumbFocusKey::Down, 6, 9},
                      FocusCase{"DownBelowShortRow", ThumbFocusKey::Down, 7, 7},
                      FocusCase{"Home", ThumbFocusKey::Home, 8, 0}, FocusCase{"End", ThumbFocusKey::End, 1, 9},
                      FocusCase{"PageDown", ThumbFocusKey::PageDown, 1, 7},
                      FocusCase{"PageDownToLastRow", ThumbFocusKey::PageDown, 5, 9},
                      FocusCase{"PageUp", ThumbFocusKey::PageUp, 8, 2},
                      FocusCase{"PageUpToTopRow", ThumbFocusKey::PageUp, 4, 1},
                      FocusCase{"OutOfRangeFocusComesBack", ThumbFocusKey::Right, 40, 9}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(ThumbFocus, EmptyListAndNoColumnsKeepToTheFirst) {
    EXPECT_EQ(MoveThumbFocus(ThumbFocusKey::End, 0, 0, 3, 2), 0);
    EXPECT_EQ(MoveThumbFocus(ThumbFocusKey::Down, 0, 5, 0, 0), 1);
}

TEST(ThumbFocus, ScrollBringsTheItemWholeIntoView) {
    EXPECT_EQ(ScrollToShow(10, 130, 300), 0);
    EXPECT_EQ(ScrollToShow(-40, 80, 300), 40);
    EXPECT_EQ(ScrollToShow(250, 370, 300), -70);
    EXPECT_EQ(ScrollToShow(250, 700, 300), -250) << "taller than the client: its top shows";
}

}  // namespace
