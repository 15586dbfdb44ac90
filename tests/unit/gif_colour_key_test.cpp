#include "imaging/gif_colour_key.h"

#include <gtest/gtest.h>

namespace {

struct CKeyCase {
    uint32_t crKey;
    uint32_t crEntry;
    uint32_t crWant;
};

class GifColourKey : public testing::TestWithParam<CKeyCase> {};

// Entry 1 against a key colour at index 0.
TEST_P(GifColourKey, EntriesNearTheKeyMoveAwayFromIt) {
    const CKeyCase& c = GetParam();
    CGifFrame frame;
    frame.m_nColors = 2;
    frame.m_arrColors[0] = c.crKey;
    frame.m_arrColors[1] = c.crEntry;
    frame.m_bTransparent = true;
    frame.m_nTransparentIndex = 0;
    frame.m_crTransparent = c.crKey;
    const std::array<uint32_t, 256> arr = MakeColourKeyPalette(frame);
    EXPECT_EQ(arr[0], c.crKey);
    EXPECT_EQ(arr[1], c.crWant) << std::hex << arr[1];
    EXPECT_NE(arr[1], c.crKey);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, GifColourKey,
    testing::Values(CKeyCase{0x808080, 0x808080, 0x949494},  // the key colour itself, elsewhere in the table
                    CKeyCase{0x808080, 0x7F8190, 0x6B95A4},  // below goes down, not below goes up
                    CKeyCase{0x808080, 0x8F8080, 0xA39494},
                    CKeyCase{0x808080, 0x817F81, 0x956B6D},  // blue goes the way green went
                    CKeyCase{0x808080, 0x937F7F, 0xA76B6B},  // red 19 away is near, but ...
                    CKeyCase{0x808080, 0x947F7F, 0x947F7F},  // ... 20 away is not, so nothing moves
                    CKeyCase{0xF8F8F8, 0xFFF8F8, 0xEBFFFF},  // 255 goes to 235; up is capped at 255
                    CKeyCase{0x0A0A0A, 0x05000A, 0x000000},  // down stops at 0
                    CKeyCase{0xFF00FF, 0xFF00FF, 0xEB14EB}));

TEST(GifColourKey, WithoutTransparencyTheColoursStay) {
    CGifFrame frame;
    frame.m_arrColors[0] = 0x808080;
    frame.m_arrColors[1] = 0x808080;
    EXPECT_EQ(MakeColourKeyPalette(frame), frame.m_arrColors);
}

}  // namespace
