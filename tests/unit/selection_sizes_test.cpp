#include "ui/selection_sizes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SelectionSizes, APictureBeingPreparedCountsWithItsFileUntilItsCopyIsIn) {
    // 3000 bytes of picture, 1000 of copy, as the "自动压缩" box counts them.
    struct {
        const char* pszWhat;
        ItemSizes sizes;
        bool bNeedsPreparing;
        std::uint32_t nWithBox, nWithoutBox;
    } const cases[] = {
        {"not prepared", {3000, 0, false, false}, true, 0, 3000},
        {"being prepared", {3000, 0, false, true}, false, 3000, 3000},
        {"copy in", {3000, 1000, false, false}, false, 1000, 3000},
        {"kept as it is", {3000, 3000, true, false}, false, 3000, 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(NeedsPreparing(c.sizes, true), c.bNeedsPreparing);
        EXPECT_FALSE(NeedsPreparing(c.sizes, false));
        EXPECT_EQ(ItemUploadBytes(c.sizes, true), c.nWithBox);
        EXPECT_EQ(ItemUploadBytes(c.sizes, false), c.nWithoutBox);
    }
    const std::vector<ItemSizes> arrSelected{{3000, 0, false, true}, {3000, 1000, false, false}};
    EXPECT_DOUBLE_EQ(RecountSelectionKB(arrSelected, true), 2.0 + 0.0);
}

}  // namespace
