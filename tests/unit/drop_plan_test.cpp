#include "ui/drop_plan.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace {

DroppedItem File(const char* psz) { return DroppedItem{psz, false}; }
DroppedItem Folder(const char* psz) { return DroppedItem{psz, true}; }

struct DropCase {
    const char* pszName;
    std::vector<DroppedItem> items;
    std::string strFolder;
    std::vector<std::string> arrNames;
    int nNotPictures;
    int nOtherFolder;
    int nFoldersLeft;
};
void PrintTo(const DropCase& c, std::ostream* os) { *os << c.pszName; }

class DropPlans : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropPlans, PlanOpensOneFolderAndCountsTheRest) {
    const DropCase& c = GetParam();
    const DropPlan plan = PlanDrop(c.items, IsGbkLeadByte);
    EXPECT_EQ(plan.strFolder, c.strFolder);
    EXPECT_EQ(plan.arrNames, c.arrNames);
    EXPECT_EQ(plan.nNotPictures, c.nNotPictures);
    EXPECT_EQ(plan.nOtherFolder, c.nOtherFolder);
    EXPECT_EQ(plan.nFoldersLeft, c.nFoldersLeft);
    EXPECT_EQ(plan.IsUsable(), !c.strFolder.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DropPlans,
    ::testing::Values(DropCase{"AFolder", {Folder("C:\\photos")}, "C:\\photos", {}, 0, 0, 0},
                      DropCase{"TwoFolders", {Folder("C:\\a"), Folder("C:\\b")}, "C:\\a", {}, 0, 0, 1},
                      DropCase{"PicturesOfOneFolder",
                               {File("C:\\p\\one.jpg"), File("C:\\p\\two.GIF"), File("C:\\p\\three.jpeg")},
                               "C:\\p",
                               {"one.jpg", "two.GIF", "three.jpeg"},
                               0,
                               0,
                               0},
                      DropCase{"PicturesOfTwoFolders",
                               {File("C:\\p\\one.jpg"), File("C:\\q\\two.jpg"), File("C:\\p\\three.jpg")},
                               "C:\\p",
                               {"one.jpg", "three.jpg"},
                               0,
                               1,
                               0},
                      DropCase{"NotPictures", {File("C:\\p\\notes.txt"), File("C:\\p\\scan.bmp")}, "", {}, 2, 0, 0},
                      DropCase{"PicturesBeforeAFolder",
                               {Folder("C:\\a"), File("C:\\p\\one.jpg"), File("C:\\p\\a.txt")},
                               "C:\\p",
                               {"one.jpg"},
                               1,
                               0,
                               1},
                      DropCase{"AtTheDriveRoot", {File("D:\\one.jpg")}, "D:\\", {"one.jpg"}, 0, 0, 0},
                      // "\xD5\x5C" is one GBK character whose trail byte looks like a backslash.
                      DropCase{"TrailByteBackslash", {File("C:\\\xD5\x5C\\a.jpg")}, "C:\\\xD5\x5C", {"a.jpg"}, 0, 0, 0},
                      DropCase{"Nothing", {}, "", {}, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(DropLeftOut, OneLineNamesEachReasonWithItsCount) {
    const DropLeftOutTexts texts{"; ", "%d not pictures", "%d elsewhere", "%d folders"};
    DropPlan plan;
    EXPECT_EQ(DescribeLeftOut(plan, texts), "");
    plan.nNotPictures = 3;
    EXPECT_EQ(DescribeLeftOut(plan, texts), "3 not pictures");
    plan.nOtherFolder = 2;
    plan.nFoldersLeft = 1;
    EXPECT_EQ(DescribeLeftOut(plan, texts), "3 not pictures; 2 elsewhere; 1 folders");
}

}  // namespace
