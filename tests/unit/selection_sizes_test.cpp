#include "ui/selection_sizes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr bool kChecked = true;
constexpr bool kClear = false;

// A JPEG of 300 KB that preparation shrank to 100.5 KB, a GIF kept as is, a picture that
// could not be loaded (prepared to nothing), one the producer has not reached yet.
const ItemSizes kShrunk{300 * 1024, 100 * 1024 + 512, false};
const ItemSizes kKept{20 * 1024 + 700, 20 * 1024 + 700, true};
const ItemSizes kUnloadable{5000, 0, false};
const ItemSizes kNotReached{0, 0, true};

struct ClickCase {
    const char* pszName;
    ItemSizes sizes;
    bool bAutoCompress;
    double dKB;
};

class SelectionClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(SelectionClick, ItemAddsItsUploadInKilobytesWithFractions) {
    const ClickCase& c = GetParam();
    EXPECT_DOUBLE_EQ(ItemUploadKB(c.sizes, c.bAutoCompress), c.dKB);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionClick,
    ::testing::Values(ClickCase{"CompressedCopy", kShrunk, kChecked, 100.5},
                      ClickCase{"CompressionOffCountsTheFile", kShrunk, kClear, 300},
                      ClickCase{"KeptAsIsCountsTheFile", kKept, kChecked, 20 + 700 / 1024.0},
                      ClickCase{"UnloadableAddsNothing", kUnloadable, kChecked, 0},
                      ClickCase{"UnloadableWithoutCompression", kUnloadable, kClear, 5000 / 1024.0},
                      ClickCase{"NotReachedYet", kNotReached, kChecked, 0},
                      ClickCase{"LargestFile", ItemSizes{UINT32_MAX, 0, false}, kClear, UINT32_MAX / 1024.0}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(Selection, OnlyUnpreparedPicturesWithTheBoxCheckedNeedPreparing) {
    EXPECT_TRUE(NeedsPreparing(kUnloadable, kChecked));
    EXPECT_TRUE(NeedsPreparing(kNotReached, kChecked));
    EXPECT_FALSE(NeedsPreparing(kShrunk, kChecked));
    EXPECT_FALSE(NeedsPreparing(kUnloadable, kClear));
}

TEST(Selection, RecountCutsEachPictureToWholeKilobytes) {
    // Three files of 1023, 1023 and 2047 bytes: 0 + 0 + 1, where the fractions sum to 3.99.
    const std::vector<ItemSizes> arr{{1023, 0, false}, {1023, 0, false}, {2047, 0, false}};
    EXPECT_EQ(RecountSelectionKB(arr, kClear), 1.0);
}

TEST(Selection, RecountWithTheBoxCheckedTakesCopiesAndKeptFiles) {
    const std::vector<ItemSizes> arr{kShrunk, kKept, kUnloadable};
    EXPECT_EQ(RecountSelectionKB(arr, kChecked), 100.0 + 20.0 + 0.0);
}

TEST(Selection, UncheckingTheBoxRecountsFromThePictureFiles) {
    const std::vector<ItemSizes> arr{kShrunk, kKept, kUnloadable};
    EXPECT_EQ(RecountSelectionKB(arr, kClear), 300.0 + 20.0 + 4.0);
}

TEST(Selection, RecountOfNothingIsZero) { EXPECT_EQ(RecountSelectionKB({}, kChecked), 0.0); }

TEST(Selection, RecountOfManyLargeFilesDoesNotWrap) {
    const std::vector<ItemSizes> arr(10000, ItemSizes{UINT32_MAX, 0, false});
    EXPECT_EQ(RecountSelectionKB(arr, kClear), 10000.0 * (UINT32_MAX >> 10));
}

}  // namespace
